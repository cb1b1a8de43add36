// The printer's serial port: opened once per initialisation with the port's own default line
// settings, its previous settings saved and restored when the driver lets it go. Replies are read
// one byte at a time with retries. The link gives no meaning to the bytes it moves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/result_code.h"
#include "platform/platform.h"

namespace tarvik {

// The longest port name the settings may give; a longer one counts as not configured.
constexpr std::size_t kMaxPortName = 255;

class SerialLink {
public:
    static constexpr uint32_t kBufferSize = 4096;
    static constexpr int kReadAttempts = 5;
    static constexpr uint32_t kRetryPauseMs = 200;

    SerialLink(Platform& platform, int32_t modelCode);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // 0 once the port is open, also when an earlier attempt already ran; 5 when the port cannot
    // be opened; 9 when the link buffers cannot be allocated.
    ResultCode OpenPort();
    ResultCode RestorePort();
    ResultCode PurgeInput();
    ResultCode SendTx();
    ResultCode ReadByte(uint8_t* place);
    ResultCode ReadReply();
    // FP_RELEASEPORT: restore and close the port, release the link buffers, forget the settings.
    ResultCode ReleasePort();

    bool HandleValid() const { return Port != nullptr; }

    // The port state. Port is the open handle (null stands for an invalid handle).
    std::unique_ptr<SerialPort> Port;
    uint8_t* TxBuffer = nullptr;
    uint8_t* RxBuffer = nullptr;
    int32_t Initialised = 0;
    int32_t Open = 0;
    int32_t FrameMode = 0;
    int32_t TimeoutsSaved = 0;
    int32_t MaskSaved = 0;
    int32_t StateSaved = 0;
    int32_t SettingsLoaded = 0;
    int32_t StartSent = 0;
    uint8_t DataBits = 8;
    uint8_t Parity = 0;
    uint8_t StopBits = 0;
    char FlowChar = 0;
    std::string PortName;
    uint32_t TxLength = 0;
    uint32_t BaudRate = 9600;
    uint32_t SavedMask = 0;
    LineSettings SavedState;
    CommTimeouts SavedTimeouts;

private:
    ResultCode ConfigurePort();
    void ReleaseBuffers();

    Platform& platform_;
    int32_t modelCode_;
};

// The time-outs applied at every opening; the constant of the total read time-out depends on the
// printer model.
CommTimeouts PortTimeouts(int32_t modelCode);

}  // namespace tarvik
