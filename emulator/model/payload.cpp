#include "emulator/model/payload.h"

namespace tarvik::emu {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits only, at least one, at most maxDigits; the value through `out`.
bool ReadDigits(const std::string& text, std::size_t& pos, std::size_t maxDigits, std::int64_t& out,
                std::size_t& count) {
    out = 0;
    count = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (++count > maxDigits) return false;
        out = out * 10 + (text[pos] - '0');
        ++pos;
    }
    return true;
}

std::optional<long> ParseParam(const std::string& text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && text[pos] == '-') {
        negative = true;
        ++pos;
    }
    std::int64_t value = 0;
    std::size_t count = 0;
    if (!ReadDigits(text, pos, 9, value, count) || count == 0 || pos != text.size()) return {};
    return static_cast<long>(negative ? -value : value);
}

}  // namespace

std::optional<Command> SplitCommand(const std::string& payload) {
    const std::size_t mark = payload.find_first_of("$#");
    if (mark == std::string::npos || mark + 1 >= payload.size()) return {};
    Command command;
    command.code = payload.substr(mark, 2);
    command.rest = payload.substr(mark + 2);
    const std::string head = payload.substr(0, mark);
    if (head.empty()) return command;
    std::size_t start = 0;
    while (true) {
        const std::size_t semicolon = head.find(';', start);
        const auto param = ParseParam(head.substr(start, semicolon - start));
        if (!param) return {};
        command.params.push_back(*param);
        if (semicolon == std::string::npos) break;
        start = semicolon + 1;
    }
    return command;
}

std::optional<std::string> FieldReader::Until(char end) {
    const std::size_t at = text_.find(end, pos_);
    if (at == std::string::npos) return {};
    std::string field = text_.substr(pos_, at - pos_);
    pos_ = at + 1;
    return field;
}

std::optional<char> FieldReader::Byte() {
    if (pos_ >= text_.size()) return {};
    return text_[pos_++];
}

std::optional<std::int64_t> ParseMoney(const std::string& text) {
    std::size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++pos;
    std::int64_t whole = 0;
    std::size_t count = 0;
    if (!ReadDigits(text, pos, 12, whole, count) || count == 0) return {};
    std::int64_t grosze = whole * 100;
    if (pos < text.size()) {
        if (text[pos] != '.') return {};
        ++pos;
        std::size_t decimals = 0;
        int roundDigit = 0;
        for (; pos < text.size(); ++pos, ++decimals) {
            if (!IsDigit(text[pos]) || decimals >= 8) return {};
            const int digit = text[pos] - '0';
            if (decimals == 0) grosze += digit * 10;
            if (decimals == 1) grosze += digit;
            if (decimals == 2) roundDigit = digit;
        }
        if (decimals == 0) return {};
        if (roundDigit >= 5) ++grosze;
    }
    return negative ? -grosze : grosze;
}

std::optional<long> ParseCount(const std::string& text) {
    std::size_t pos = 0;
    std::int64_t value = 0;
    std::size_t count = 0;
    if (!ReadDigits(text, pos, 9, value, count) || count == 0 || pos != text.size()) return {};
    return static_cast<long>(value);
}

std::optional<Quantity> ParseQuantity(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    std::int64_t whole = 0;
    std::size_t count = 0;
    if (!ReadDigits(text, pos, 9, whole, count) || count == 0) return {};
    Quantity quantity;
    quantity.units = whole * kQuantityScale;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        std::int64_t fraction = 0;
        std::size_t decimals = 0;
        if (!ReadDigits(text, pos, 4, fraction, decimals) || decimals == 0) return {};
        for (std::size_t i = decimals; i < 4; ++i) fraction *= 10;
        quantity.units += fraction;
    }
    while (pos < text.size() && text[pos] == ' ') ++pos;
    quantity.unit = text.substr(pos);
    if (quantity.unit.size() > 4 || quantity.unit.find(' ') != std::string::npos) return {};
    // A unit starts with a letter, so digits run on from the number are not taken for one.
    if (!quantity.unit.empty() && (IsDigit(quantity.unit[0]) || quantity.unit[0] == '.')) return {};
    return quantity;
}

std::int64_t LineValue(std::int64_t quantityUnits, std::int64_t priceGrosze) {
    // Whole units and the fraction apart: each product stays far inside 64 bits.
    const std::int64_t whole = quantityUnits / kQuantityScale;
    const std::int64_t fraction = quantityUnits % kQuantityScale;
    return whole * priceGrosze + (fraction * priceGrosze + kQuantityScale / 2) / kQuantityScale;
}

}  // namespace tarvik::emu
