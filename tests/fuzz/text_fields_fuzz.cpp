// Any host text with any length: fields, amounts and dates stay inside their buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/text_fields.h"
#include "platform/platform.h"

namespace {

class PlainPlatform : public tarvik::Platform {
public:
    std::unique_ptr<tarvik::SerialPort> OpenSerial(const std::string&) override { return nullptr; }
    bool QueryRegistryValue(tarvik::Hive, const std::string&, const std::string&, uint32_t*, uint8_t*,
                            uint32_t*) override {
        return false;
    }
    void Trace(const std::string&) override {}
    void Sleep(uint32_t) override {}
    bool FileVersion(uint32_t*, uint32_t*) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace tarvik;
    if (size < 3) return 0;
    // The first two bytes are the host's 16-bit signed length; the text is exactly the rest, so
    // reading past it is caught.
    const int length = static_cast<int16_t>(data[0] | (data[1] << 8));
    std::vector<char> text(data + 2, data + size);
    const int bounded = length < 0 ? length : (length > int(text.size()) ? int(text.size()) : length);

    char field[64 + 2];
    FormatTextField(bounded, 40, field, text.data(), data[0] & 1);
    FormatTextField(bounded, 4, field, text.data(), true);
    FormatNameField(bounded, field, text.data());
    char work[12];
    double value = 0;
    ParseAmount(bounded, text.data(), 11, work, &value);
    PlainPlatform os;
    int day = 0, month = 0, year = 0;
    ParseDate(os, bounded, text.data(), &day, &month, &year);
    char amount[16];
    FormatAmount(value, amount, sizeof amount);
    return 0;
}
