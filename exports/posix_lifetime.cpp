// On Linux the library's load and unload steps run as its constructor and destructor.
#include <memory>
#include <new>

#include "exports/library_state.h"
#include "platform/posix/posix_platform.h"

namespace {

__attribute__((constructor)) void LoadTarvik() {
    tarvik::LoadLibraryState(std::unique_ptr<tarvik::Platform>(new (std::nothrow) tarvik::PosixPlatform));
}

__attribute__((destructor)) void UnloadTarvik() { tarvik::UnloadLibraryState(); }

}  // namespace
