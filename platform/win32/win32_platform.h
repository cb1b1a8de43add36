// The driver's platform on Windows: the Win32 calls, one for one.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/platform.h"

namespace tarvik {

class Win32Platform : public Platform {
public:
    // module is the driver DLL's own handle: its file carries the version resource.
    explicit Win32Platform(HMODULE module) : module_(module) {}

    std::unique_ptr<SerialPort> OpenSerial(const std::string& name) override;
    bool QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName, uint32_t* type,
                            uint8_t* data, uint32_t* size) override;
    void Trace(const std::string& line) override;
    void Sleep(uint32_t milliseconds) override;
    bool FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) override;

private:
    HMODULE module_;
};

}  // namespace tarvik
