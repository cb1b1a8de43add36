// The driver's result codes and their fixed Polish messages, stored in Windows-1250, and the one
// rule for handing a text to the host.
#pragma once

#include <cstdint>

namespace tarvik {

// The message of a result code, or that of 255 ("Błąd nieokreślony") for a code the table does not
// hold. Never null; Windows-1250 bytes ending with a zero byte.
const char* ResultMessage(int32_t code);

// Writes nothing when destination or text is null or size is 0 or negative; otherwise copies the
// first min(length of text, size) bytes and, when size is larger, fills the rest of the size
// bytes with zero bytes. Exactly size bytes are written.
void CopyToHostBuffer(char* destination, int32_t size, const char* text);

// FP_ERRINFO: code and length are the host's 16-bit signed values, already widened.
void ErrInfo(int32_t code, int32_t length, char* buffer);

}  // namespace tarvik
