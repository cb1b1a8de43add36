// The exported entry points. Each unpacks its arguments (lengths and codes count by their low 16
// bits, read as signed numbers) and calls the driver; no exception ever leaves one.
#include <cstdint>

#include "core/result_messages.h"
#include "exports/export_macros.h"
#include "exports/library_state.h"
#include "services/driver_info.h"
#include "services/status_word.h"

#define FP_API TARVIK_EXPORT
#include "tarvik/fp.h"

namespace {

int32_t Low16(int value) { return static_cast<int16_t>(static_cast<uint32_t>(value) & 0xFFFF); }

// Runs a call that reports a result code; a driver that could not be created or an unexpected
// exception (the system running out of memory) reports 9, the code for an operation that cannot
// be carried out.
template <typename Call>
int Guarded(Call call) {
    tarvik::Driver* driver = tarvik::LoadedDriver();
    if (!driver) return 9;
    try {
        return call(*driver);
    } catch (...) {
        return 9;
    }
}

}  // namespace

extern "C" {

FP_API int FP_CALL FP_GETSTATUS(uint32_t* status) {
    return Guarded([&](tarvik::Driver& d) { return tarvik::GetStatus(d, status); });
}

FP_API int FP_CALL FP_DRIVERINFO(int descLen, char* desc, int verLen, char* ver, int nameLen, char* shortName) {
    tarvik::Driver* driver = tarvik::LoadedDriver();
    if (!driver) return 0;
    try {
        return tarvik::DriverInfo(*driver, Low16(descLen), desc, Low16(verLen), ver, Low16(nameLen), shortName);
    } catch (...) {
        return 0;
    }
}

FP_API int FP_CALL FP_RELEASEPORT(void) {
    return Guarded([](tarvik::Driver& d) { return d.Link.ReleasePort(); });
}

FP_API void FP_CALL FP_ERRINFO(int code, int length, char* buffer) {
    tarvik::ErrInfo(Low16(code), Low16(length), buffer);
}

}  // extern "C"
