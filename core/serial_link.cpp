#include "core/serial_link.h"

#include <cstring>

namespace tarvik {
namespace {

constexpr uint32_t kQueueSize = 4096;
constexpr uint16_t kXonXoffLimit = 128;
constexpr uint32_t kPurgeAll = purge::TxAbort | purge::RxAbort | purge::TxClear | purge::RxClear;  // 15
constexpr uint32_t kPurgeBothQueues = purge::TxClear | purge::RxClear;                            // 12
constexpr uint32_t kPurgeReading = purge::RxAbort | purge::RxClear;                               // 10
constexpr uint8_t kEsc = 0x1B;

}  // namespace

CommTimeouts PortTimeouts(int32_t modelCode) {
    CommTimeouts t;
    t.ReadInterval = 400;
    t.ReadTotalMultiplier = 4;
    t.ReadTotalConstant = modelCode == 1 ? 7000 : 2000;
    t.WriteTotalMultiplier = 8;
    t.WriteTotalConstant = 2000;
    return t;
}

SerialLink::SerialLink(Platform& platform, int32_t modelCode) : platform_(platform), modelCode_(modelCode) {}

SerialLink::~SerialLink() { ReleasePort(); }

ResultCode SerialLink::OpenPort() {
    if (Initialised) return 0;
    Port.reset();
    Open = 0;
    StartSent = 0;
    DataBits = 8;
    Parity = 0;
    StopBits = 0;
    BaudRate = 9600;
    TxLength = 0;

    TxBuffer = static_cast<uint8_t*>(platform_.Allocate(kBufferSize));
    if (!TxBuffer) return 9;
    RxBuffer = static_cast<uint8_t*>(platform_.Allocate(kBufferSize));
    if (!RxBuffer) {
        ReleaseBuffers();
        return 9;
    }
    std::memset(TxBuffer, 0, kBufferSize);
    std::memset(RxBuffer, 0, kBufferSize);
    Initialised = 1;

    Port = platform_.OpenSerial(PortName);
    if (!Port) return 5;

    MaskSaved = Port->GetEventMask(&SavedMask);
    TimeoutsSaved = Port->GetTimeouts(&SavedTimeouts);
    StateSaved = Port->GetLineSettings(&SavedState);
    Port->SetQueueSizes(kQueueSize, kQueueSize);
    Port->Purge(kPurgeAll);
    Port->SetTimeouts(PortTimeouts(modelCode_));

    if (ConfigurePort() == 0) {
        Port->RaiseDtr();
        Open = 1;
        return 0;
    }
    // The port stays unusable until it is released; the first exchange reports it.
    Open = 0;
    Port.reset();
    return 0;
}

ResultCode SerialLink::ConfigurePort() {
    LineSettings settings;
    // Without a default configuration from the system, the port's current settings stand for it.
    if (!Port->GetDefaultLineSettings(&settings) && !Port->GetLineSettings(&settings)) settings = SavedState;
    settings.Flags &= ~line_flags::Null;  // received NUL bytes stay in the data
    settings.XonLim = kXonXoffLimit;
    settings.XoffLim = kXonXoffLimit;
    settings.Length = 28;
    return Port->SetLineSettings(settings) ? 0 : 5;
}

ResultCode SerialLink::RestorePort() {
    if (!Open) return 0;
    Port->Purge(kPurgeAll);
    if (MaskSaved) Port->SetEventMask(SavedMask);
    if (TimeoutsSaved) Port->SetTimeouts(SavedTimeouts);
    if (StateSaved) Port->SetLineSettings(SavedState);
    Port.reset();
    Open = 0;
    return 0;
}

ResultCode SerialLink::PurgeInput() {
    if (!Port) return 5;
    return Port->Purge(kPurgeReading) ? 0 : 5;
}

ResultCode SerialLink::SendTx() {
    if (!Open || TxLength == 0 || TxLength > kBufferSize) return 9;
    Port->Purge(kPurgeBothQueues);
    uint32_t written = 0;
    if (!Port->Write(TxBuffer, TxLength, &written)) return 5;
    return written == TxLength ? 0 : 5;
}

ResultCode SerialLink::ReadByte(uint8_t* place) {
    if (!Open) return 9;
    Port->ClearError();
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        uint32_t count = 0;
        if (Port->ReadByte(place, &count) && count == 1) return 0;
        platform_.Sleep(kRetryPauseMs);
    }
    return 5;
}

ResultCode SerialLink::ReadReply() {
    if (!Open) return 9;
    std::memset(RxBuffer, 0, kBufferSize);
    if (!FrameMode) {
        if (TxLength == 0) return 9;
        if (TxLength >= kBufferSize) TxLength = kBufferSize - 1;
        for (uint32_t i = 0; i < TxLength; ++i) {
            const ResultCode result = ReadByte(&RxBuffer[i]);
            if (result) return result;
        }
        RxBuffer[TxLength] = 0;
        return 0;
    }
    TxLength = 0;
    for (;;) {
        const ResultCode result = ReadByte(&RxBuffer[TxLength]);
        if (result) return result;
        ++TxLength;
        if (TxLength >= 2 && RxBuffer[TxLength - 1] == '\\' && RxBuffer[TxLength - 2] == kEsc) {
            RxBuffer[TxLength] = 0;
            return 0;
        }
        // The reply and the zero byte after it must fit the buffer.
        if (TxLength >= kBufferSize - 1) return 5;
    }
}

ResultCode SerialLink::ReleasePort() {
    if (!Initialised) return 0;
    if (Open) RestorePort();
    Port.reset();
    ReleaseBuffers();
    Initialised = 0;
    SettingsLoaded = 0;
    return 0;
}

void SerialLink::ReleaseBuffers() {
    platform_.Release(RxBuffer);
    platform_.Release(TxBuffer);
    RxBuffer = nullptr;
    TxBuffer = nullptr;
}

}  // namespace tarvik
