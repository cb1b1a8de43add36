// A serial port opened with CreateFileA; every operation is the one Win32 call of the same
// meaning on its handle.
#pragma once

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace tarvik {

class Win32SerialPort : public SerialPort {
public:
    // Takes over an open handle; name is the one it was opened by, which the system's default
    // configuration is looked up under.
    Win32SerialPort(HANDLE handle, std::string name);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool GetEventMask(uint32_t* mask) override;
    bool SetEventMask(uint32_t mask) override;
    bool GetTimeouts(CommTimeouts* timeouts) override;
    bool SetTimeouts(const CommTimeouts& timeouts) override;
    bool GetLineSettings(LineSettings* settings) override;
    bool GetDefaultLineSettings(LineSettings* settings) override;
    bool SetLineSettings(const LineSettings& settings) override;
    bool SetQueueSizes(uint32_t input, uint32_t output) override;
    bool Purge(uint32_t flags) override;
    bool RaiseDtr() override;
    bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
    bool ClearError() override;
    bool ReadByte(uint8_t* byte, uint32_t* count) override;

private:
    HANDLE handle_;
    std::string name_;
};

// The seam's line settings and the DCB, field for field; the flag word holds the DCB's bit fields
// at their positions in the DCB.
LineSettings FromDcb(const DCB& dcb);
DCB ToDcb(const LineSettings& settings);

}  // namespace tarvik
