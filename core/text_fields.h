// Host texts become printer fields: Windows-1250 letters to Mazovia, fields of fixed widths that
// are filled with spaces or ended with CR, amounts and dates read from text. Nothing here keeps
// state or talks to the printer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/result_code.h"

namespace tarvik {

class Platform;

// The effective length of a host text: 0 for a null pointer, the limit itself when it is 0 or
// negative, otherwise the position of the first zero byte among the first limit bytes, or limit.
int BoundedLength(const char* text, int limit);

// Converts count bytes of source to the printer's character set into destination (exactly count
// bytes, no terminator). 9 for a null buffer or a zero count; 0, writing nothing, for a negative
// count.
ResultCode ToPrinterText(int count, char* destination, const char* source);

// The printer byte of one Windows-1250 byte (unchanged when it is not a Polish letter).
uint8_t ToPrinterByte(uint8_t windows1250);

// A text field of the given width. crEnded: the converted text (at most width bytes) followed by CR
// and a zero byte, destination holds width + 2 bytes. Otherwise exactly width characters filled
// with spaces and a zero byte, destination holds width + 1 bytes. A negative length counts as an
// empty text. Always 0.
ResultCode FormatTextField(int length, int width, char* destination, const char* text, bool crEnded);

// The 40-character item name filled with spaces, then CR and a zero byte (42 bytes). Always 0.
ResultCode FormatNameField(int length, char* destination, const char* text);

// Reads a decimal amount (comma or point) the way the C locale's "%lf" does, whatever locale the
// host process has set. workBuffer holds at least maxChars + 1 bytes and keeps the copied text
// with commas replaced by points. 1 for an absent, empty, too long (more than maxChars) or
// non-numeric text, and for NaN or an infinity; *value is then unchanged.
ResultCode ParseAmount(int length, const char* text, int maxChars, char* workBuffer, double* value);

// Writes value as "%.2f" does in the C locale: a point, two decimals rounded as printf rounds, a
// '-' for negative numbers, whatever locale the host process has set. Like snprintf: at most
// size - 1 characters and a zero byte (nothing when size is 0); returns the length of the whole
// text, so a result of size or more means the text was cut.
int FormatAmount(double value, char* destination, std::size_t size);

// Reads day/month/year ("%d/%d/%d"): day 1 to 31, month 1 to 12, year 1950 to 2049. 1 for an
// absent, empty, malformed or out-of-range date; 9 when the temporary copy cannot be allocated.
ResultCode ParseDate(Platform& platform, int length, const char* text, int* day, int* month, int* year);

}  // namespace tarvik
