#include "core/text_buffers.h"

#include "platform/platform.h"

namespace tarvik {

ResultCode AllocateTextBuffers(Platform& platform, TextBuffers& buffers) {
    if (buffers.BuffersReady) return 0;
    buffers.BuffersReady = 1;
    buffers.FieldSize = 64;
    buffers.CommandSize = 256;
    buffers.CommandText = static_cast<char*>(platform.Allocate(buffers.CommandSize));
    bool complete = buffers.CommandText != nullptr;
    for (char*& field : buffers.FieldBuffers) {
        field = static_cast<char*>(platform.Allocate(buffers.FieldSize));
        complete = complete && field != nullptr;
    }
    if (complete) return 0;
    // Half a set of buffers is no use to anyone: give back what was obtained so that the next
    // readiness check starts again from nothing.
    FreeTextBuffers(platform, buffers);
    return 9;
}

void FreeTextBuffers(Platform& platform, TextBuffers& buffers) {
    buffers.BuffersReady = 0;
    platform.Release(buffers.CommandText);
    buffers.CommandText = nullptr;
    for (char*& field : buffers.FieldBuffers) {
        platform.Release(field);
        field = nullptr;
    }
}

}  // namespace tarvik
