// Any bytes as a settings file: parsed as far as they can be read, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/posix/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto file = tarvik::posix::RegFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    file.Find("HKEY_CURRENT_USER\\Software\\Korvan\\Tarvik", "Port");
    file.Find("HKEY_LOCAL_MACHINE\\Software\\Korvan\\Tarvik", "");
    return 0;
}
