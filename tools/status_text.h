// Texts for a shell user: the driver's Windows-1250 messages in UTF-8 and the status word's bits
// by name.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik::cli {

std::string Windows1250ToUtf8(const std::string& text);
// One line per bit set beyond the always-set ones.
std::string DescribeStatusWord(uint32_t word);

}  // namespace tarvik::cli
