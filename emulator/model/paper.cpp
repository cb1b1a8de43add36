#include "emulator/model/paper.h"

#include <cstdlib>

namespace tarvik::emu {

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset of the character `count` characters into the text (or its size).
std::size_t OffsetOf(const std::string& text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t seen = 0; pos < text.size(); ++pos) {
        if (!IsContinuation(text[pos]) && seen++ == count) break;
    }
    return pos;
}

// Narrower rolls than this cannot hold a label and an amount.
constexpr std::size_t kMinColumns = 16;

}  // namespace

std::size_t Utf8Length(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text) {
        if (!IsContinuation(c)) ++count;
    }
    return count;
}

std::string FitUtf8(const std::string& text, std::size_t width) {
    std::string out = text.substr(0, OffsetOf(text, width));
    out.append(width - Utf8Length(out), ' ');
    return out;
}

std::string Money(std::int64_t grosze) {
    const std::int64_t magnitude = std::llabs(grosze);
    std::string cents = std::to_string(magnitude % 100);
    if (cents.size() < 2) cents.insert(0, "0");
    return (grosze < 0 ? "-" : "") + std::to_string(magnitude / 100) + "," + cents;
}

Paper::Paper(int columns)
    : columns_(columns < static_cast<int>(kMinColumns) ? kMinColumns
                                                       : static_cast<std::size_t>(columns)) {}

void Paper::Emit(const std::string& line) {
    std::string trimmed = line;
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    trimmed += '\n';
    printed_ += trimmed;
    document_ += trimmed;
}

void Paper::Left(const std::string& text) {
    std::string rest = text;
    do {
        const std::size_t cut = OffsetOf(rest, columns_);
        Emit(rest.substr(0, cut));
        rest.erase(0, cut);
    } while (!rest.empty());
}

void Paper::Center(const std::string& text) {
    const std::size_t length = Utf8Length(text);
    if (length >= columns_) return Left(text);
    Emit(std::string((columns_ - length) / 2, ' ') + text);
}

void Paper::Pair(const std::string& label, const std::string& value) {
    const std::size_t labelLength = Utf8Length(label);
    const std::size_t valueLength = Utf8Length(value);
    if (labelLength + 1 + valueLength <= columns_) {
        Emit(label + std::string(columns_ - labelLength - valueLength, ' ') + value);
        return;
    }
    Left(label);
    if (valueLength >= columns_) return Left(value);
    Emit(std::string(columns_ - valueLength, ' ') + value);
}

void Paper::EndDocument() {
    documents_.push_back(document_);
    document_.clear();
    printed_ += std::string(columns_, '-') + '\n';
}

std::string Paper::Take() {
    std::string out;
    out.swap(printed_);
    return out;
}

}  // namespace tarvik::emu
