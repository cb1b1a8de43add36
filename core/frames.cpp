#include "core/frames.h"

#include <cstring>

#include "core/serial_link.h"

namespace tarvik {
namespace {

constexpr uint32_t kFrameOverhead = 6;  // ESC 'P', two checksum digits, ESC '\'
constexpr char kHexDigits[] = "0123456789ABCDEF";

ResultCode PutControlByte(SerialLink& link, uint8_t byte) {
    if (!link.TxBuffer) return 9;
    link.TxBuffer[0] = byte;
    link.TxLength = 1;
    link.FrameMode = 0;
    return 0;
}

}  // namespace

ResultCode BuildFrame(SerialLink& link, const char* payload, int withChecksum) {
    if (!link.TxBuffer || !payload) return 9;
    const std::size_t n = std::strlen(payload);
    if (n == 0 || n + kFrameOverhead >= SerialLink::kBufferSize) return 9;

    uint8_t* out = link.TxBuffer;
    std::memset(out, 0, SerialLink::kBufferSize);
    std::size_t at = 0;
    out[at++] = control::Esc;
    out[at++] = 'P';
    uint8_t checksum = 0xFF;
    for (std::size_t i = 0; i < n; ++i) {
        const auto byte = static_cast<uint8_t>(payload[i]);
        checksum ^= byte;
        out[at++] = byte;
    }
    if (withChecksum & 0xFF) {
        out[at++] = kHexDigits[checksum >> 4];
        out[at++] = kHexDigits[checksum & 0x0F];
    }
    out[at++] = control::Esc;
    out[at++] = '\\';
    link.TxLength = static_cast<uint32_t>(at);
    return 0;
}

ResultCode SendControlByte(SerialLink& link, uint8_t byte) {
    if (PutControlByte(link, byte)) return 9;
    if (!link.HandleValid()) return 5;
    if (link.PurgeInput()) return 5;
    const ResultCode sent = link.SendTx();
    if (sent) return sent;
    if (link.ReadReply()) return 5;
    return link.TxLength == 1 ? 0 : 5;
}

ResultCode SendCan(SerialLink& link) {
    if (PutControlByte(link, control::Can)) return 9;
    return link.SendTx();
}

}  // namespace tarvik
