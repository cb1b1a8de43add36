// Windows-1250, the 8-bit character set in which the driver holds every text.
#pragma once

#include <cstdint>

namespace tarvik::posix {

// The Unicode character of one Windows-1250 byte. The five bytes the code page leaves undefined
// stand for the C1 controls of the same number, as Windows maps them.
char32_t FromWindows1250(uint8_t byte);

// The Windows-1250 byte of a Unicode character; '?' when the code page has no such character.
uint8_t ToWindows1250(char32_t character);

// The upper-case form of a character, for comparing names the way the registry does (ASCII and the
// Latin letters that Windows-1250 can hold).
char32_t FoldCase(char32_t character);

}  // namespace tarvik::posix
