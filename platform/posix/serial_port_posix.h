// Serial ports on a POSIX system: a terminal device used the way the driver uses a Win32 port.
#pragma once

#include "platform/platform.h"

#include <memory>
#include <string>

namespace tarvik::posix {

// The device a port name stands for: a name that starts with '/' is the device's path; COMn and
// \\.\COMn (any case, n from 1, no leading zero) name /dev/ttyS<n-1>, as Wine maps them. Empty
// for any other name.
std::string SerialDevicePath(const std::string& name);

// Opens the port for exclusive use (TIOCEXCL and a flock held while it is open). Null when the
// name stands for no device, the device is not a terminal, or another process holds it.
std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name);

}  // namespace tarvik::posix
