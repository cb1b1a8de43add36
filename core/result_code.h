// Result codes: one unsigned byte, 0 for success, for every entry point that reports one.
#pragma once

#include <cstdint>

namespace tarvik {

using ResultCode = uint8_t;

}  // namespace tarvik
