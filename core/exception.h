// The driver's one exception: a setting with neither a value nor a default. It never leaves the
// settings store.
#pragma once

#include <cstdint>

namespace tarvik {

struct Exception {
    int32_t Code = 9;
};

}  // namespace tarvik
