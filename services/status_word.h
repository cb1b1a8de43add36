// FP_GETSTATUS: the printer's state summed up in one 32-bit word from the DLE and ENQ answers, the
// driver's two receipt flags and the printer's last error number.
#pragma once

#include <cstdint>

#include "core/result_code.h"

namespace tarvik {

class Driver;

namespace status_bits {
constexpr uint32_t Initial = 0x04520000;
constexpr uint32_t NotCarriedOut = 0x00000001;
constexpr uint32_t TransactionError = 0x00000002;
constexpr uint32_t Error14 = 0x00000020;
constexpr uint32_t ReceiptInProgress = 0x00000080;
constexpr uint32_t Incomplete = 0x00000100;
constexpr uint32_t NotReady = 0x00000200;
constexpr uint32_t DleBit0 = 0x00000400;
constexpr uint32_t DleBit1 = 0x00000800;
constexpr uint32_t ClockOrIo = 0x00002000;
constexpr uint32_t NoRoom = 0x00004000;
constexpr uint32_t EnqBit3 = 0x01000000;
}  // namespace status_bits

// Writes the word through status, or through a word of its own when status is null.
ResultCode GetStatus(Driver& driver, uint32_t* status);

}  // namespace tarvik
