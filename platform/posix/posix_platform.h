// The driver's platform on Linux and other POSIX systems: terminal devices for serial ports, .reg
// files for the settings hives, a trace sink chosen by $TARVIK_TRACE.
#pragma once

#include "platform/platform.h"

namespace tarvik {

class PosixPlatform : public Platform {
public:
    // Port names: a device path, or COMn / \\.\COMn for /dev/ttyS<n-1>.
    std::unique_ptr<SerialPort> OpenSerial(const std::string& name) override;

    // The per-user hive is the file $TARVIK_USER_REG (default
    // ${XDG_CONFIG_HOME:-$HOME/.config}/tarvik/user.reg), the per-machine hive $TARVIK_MACHINE_REG
    // (default /etc/tarvik/machine.reg); read anew at every lookup.
    bool QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName, uint32_t* type,
                            uint8_t* data, uint32_t* size) override;

    // $TARVIK_TRACE: unset or empty, nothing; "stderr"; "syslog" (debug level); else a file that
    // each line is appended to.
    void Trace(const std::string& line) override;

    void Sleep(uint32_t milliseconds) override;

    bool FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) override;
};

}  // namespace tarvik
