// Everything the driver sends is a frame (ESC 'P', payload, optional two-digit XOR checksum,
// ESC '\') or a single control byte. DLE and ENQ are answered with one status byte each; CAN is not
// answered.
#pragma once

#include <cstdint>

#include "core/result_code.h"

namespace tarvik {

class SerialLink;

namespace control {
constexpr uint8_t Enq = 0x05;
constexpr uint8_t Dle = 0x10;
constexpr uint8_t Can = 0x18;
constexpr uint8_t Esc = 0x1B;
}  // namespace control

// Wraps a zero-terminated payload into the transmit buffer and sets TxLength. 9 when there is no
// transmit buffer or no payload, and for an empty payload or one whose frame would not fit.
ResultCode BuildFrame(SerialLink& link, const char* payload, int withChecksum);

// Sends one control byte and reads its one-byte answer into the first byte of RxBuffer.
ResultCode SendControlByte(SerialLink& link, uint8_t byte);

// Sends CAN; no answer is read.
ResultCode SendCan(SerialLink& link);

}  // namespace tarvik
