// The one Driver of the loaded library, created by the load step and destroyed by the unload
// step of the platform's library entry point.
#pragma once

#include <memory>

#include "core/driver.h"
#include "platform/platform.h"

namespace tarvik {

// The identity of the deliverable this library was built as.
DriverIdentity DeliverableIdentity();

void LoadLibraryState(std::unique_ptr<Platform> platform);
void UnloadLibraryState();
// Null only if the load step could not create the driver.
Driver* LoadedDriver();

}  // namespace tarvik
