#include "exports/library_state.h"

#include <new>

namespace tarvik {
namespace {

// The library's process-wide state: its platform and the driver that works on it.
struct LibraryState {
    std::unique_ptr<Platform> Os;
    std::unique_ptr<Driver> TheDriver;
};

LibraryState* g_library = nullptr;

}  // namespace

void LoadLibraryState(std::unique_ptr<Platform> platform) {
    if (g_library || !platform) return;
    auto* state = new (std::nothrow) LibraryState;
    if (!state) return;
    state->Os = std::move(platform);
    state->TheDriver.reset(new (std::nothrow) Driver(*state->Os, DeliverableIdentity()));
    g_library = state;
}

void UnloadLibraryState() {
    LibraryState* state = g_library;
    g_library = nullptr;
    if (!state) return;
    state->TheDriver.reset();
    delete state;
}

Driver* LoadedDriver() { return g_library ? g_library->TheDriver.get() : nullptr; }

}  // namespace tarvik
