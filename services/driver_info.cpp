#include "services/driver_info.h"

#include <cstdio>
#include <cstring>

#include "core/driver.h"
#include "core/result_messages.h"

namespace tarvik {
namespace {

constexpr char kFallbackVersion[] = "1.4.0.1";

bool Usable(int32_t length, const char* buffer) { return buffer && length > 0; }

}  // namespace

int32_t WriteVersionText(uint32_t mostSignificant, uint32_t leastSignificant, char* buffer, int32_t length) {
    if (!Usable(length, buffer)) return 0;
    const uint32_t parts[4] = {mostSignificant >> 16, mostSignificant & 0xFFFF, leastSignificant >> 16,
                               leastSignificant & 0xFFFF};
    char number[8];
    std::snprintf(number, sizeof number, "%u", parts[0]);
    CopyToHostBuffer(buffer, length, number);  // zero-fills the rest of the buffer
    int32_t written = static_cast<int32_t>(std::strlen(number));
    if (written >= length) return length;
    for (int i = 1; i < 4; ++i) {
        std::snprintf(number, sizeof number, ".%u", parts[i]);
        const auto size = static_cast<int32_t>(std::strlen(number));
        const int32_t room = length - written;
        const int32_t take = size < room ? size : room;
        std::memcpy(buffer + written, number, static_cast<std::size_t>(take));
        written += take;
        if (take < size || written == length) break;
    }
    return written;
}

int32_t DriverInfo(Driver& driver, int32_t descriptionLength, char* description, int32_t versionLength,
                   char* version, int32_t shortNameLength, char* shortName) {
    driver.Trace("FP_DRIVERINFO");
    if (Usable(descriptionLength, description)) CopyToHostBuffer(description, descriptionLength, driver.Identity.Description);
    const bool versionWanted = Usable(versionLength, version);
    if (versionWanted) CopyToHostBuffer(version, versionLength, kFallbackVersion);
    if (Usable(shortNameLength, shortName)) CopyToHostBuffer(shortName, shortNameLength, driver.Identity.ShortName);
    if (!versionWanted) return 0;
    uint32_t mostSignificant = 0;
    uint32_t leastSignificant = 0;
    if (!driver.Os.FileVersion(&mostSignificant, &leastSignificant)) return 0;
    return WriteVersionText(mostSignificant, leastSignificant, version, versionLength);
}

}  // namespace tarvik
