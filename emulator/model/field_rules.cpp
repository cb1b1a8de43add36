#include "emulator/model/field_rules.h"

#include "emulator/model/payload.h"
#include "emulator/model/printer_errors.h"

namespace tarvik::emu {

int CheckPack(const std::optional<long>& code, const std::optional<long>& count,
              const std::optional<std::int64_t>& amount) {
    if (!code || !count || !amount || *code > kMaxPackCount) return err::kBadField;
    if (*count == 0 || *count > kMaxPackCount) return err::kBadQuantity;
    if (*amount <= 0 || *amount > kMaxAmount) return err::kBadPrice;
    return err::kOk;
}

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
