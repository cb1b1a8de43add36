// Texts reach the printer with their Polish letters in the Mazovia character set; paper and journal
// are UTF-8.
#pragma once

#include <string>

namespace tarvik::emu {

// ASCII passes unchanged; the 18 Polish letters become UTF-8; any other byte, control bytes
// included, prints as '?', as a printer without a glyph for it would.
std::string MazoviaToUtf8(const std::string& text);

}  // namespace tarvik::emu
