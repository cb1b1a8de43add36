// The command text and the ten field buffers in which every command is composed. They are
// allocated once, at the first readiness check, and kept until the library is unloaded; no field
// buffer holds anything from one call to the next.
#pragma once

#include <cstdint>

#include "core/result_code.h"

namespace tarvik {

class Platform;

struct TextBuffers {
    static constexpr int32_t kFieldCount = 10;

    int32_t BuffersReady = 0;
    int32_t FieldSize = 64;
    int32_t CommandSize = 256;
    char* CommandText = nullptr;
    char* FieldBuffers[kFieldCount] = {};
};

// 0 when the buffers exist (also when they already did); 9 when one cannot be obtained, in which
// case nothing stays allocated and BuffersReady is clear, so the next call tries again.
ResultCode AllocateTextBuffers(Platform& platform, TextBuffers& buffers);
void FreeTextBuffers(Platform& platform, TextBuffers& buffers);

}  // namespace tarvik
