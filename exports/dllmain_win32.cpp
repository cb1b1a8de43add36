// On Windows the library's load and unload steps run in its entry point. The model identity is a
// compile definition of each DLL, so it holds on every call without being set here.
#include <windows.h>

#include <memory>
#include <new>

#include "exports/library_state.h"
#include "platform/win32/win32_platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            // The module handle stays with the platform: its file carries the version resource.
            tarvik::LoadLibraryState(std::unique_ptr<tarvik::Platform>(new (std::nothrow) tarvik::Win32Platform(module)));
            break;
        case DLL_PROCESS_DETACH:
            tarvik::UnloadLibraryState();
            break;
        default:  // thread attach and detach change nothing
            break;
    }
    return TRUE;
}
