#include "emulator/model/field_rules.h"

#include "emulator/model/payload.h"

namespace tarvik::emu {

std::string TrimRight(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string QuantityText(std::int64_t units) {
    std::string text = std::to_string(units / kQuantityScale);
    const std::int64_t fraction = units % kQuantityScale;
    if (fraction == 0) return text;
    std::string digits = std::to_string(fraction + kQuantityScale).substr(1);
    while (digits.back() == '0') digits.pop_back();
    return text + "," + digits;
}

}  // namespace tarvik::emu
