// Reading a command payload from the printer's side: the numeric parameters, the command code and
// the fields after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvik::emu {

// A payload as the printer reads it: numbers separated by ';', a two-byte command code such as
// "$h" or "#o", and whatever follows the code.
struct Command {
    std::vector<long> params;
    std::string code;
    std::string rest;
};

// Nothing when the payload holds no command code or the bytes before it are not numbers separated
// by ';'. The parameters never hold '$' or '#', so the first of them starts the code.
std::optional<Command> SplitCommand(const std::string& payload);

// Walks the fields after the command code: texts ended by CR, amounts ended by '/'.
class FieldReader {
public:
    explicit FieldReader(std::string text) : text_(std::move(text)) {}

    // The bytes up to the next `end`, which is consumed; nothing when no `end` follows.
    std::optional<std::string> Until(char end);
    // One byte; nothing at the end of the text.
    std::optional<char> Byte();
    bool AtEnd() const { return pos_ == text_.size(); }

private:
    std::string text_;
    std::size_t pos_ = 0;
};

// An amount as the driver writes it ("12.50", "0", "-5.00") in grosze, rounded half up beyond two
// decimals. Nothing for anything else, or for more than 12 integer digits.
std::optional<std::int64_t> ParseMoney(const std::string& text);

// A plain unsigned decimal number of at most 9 digits (pack codes and quantities).
std::optional<long> ParseCount(const std::string& text);

// Quantities are kept in ten-thousandths: the driver writes at most four decimals.
constexpr std::int64_t kQuantityScale = 10000;

struct Quantity {
    std::int64_t units = 0;   // ten-thousandths
    std::string unit;         // as received, at most 4 bytes
};

// The quantity text of a sale line without its CR: leading spaces, the number, then optionally
// spaces and a unit of up to 4 bytes.
std::optional<Quantity> ParseQuantity(const std::string& text);

// Quantity times unit price, rounded half up to the grosz, computed without overflow for every
// quantity and price a sale line can carry.
std::int64_t LineValue(std::int64_t quantityUnits, std::int64_t priceGrosze);

}  // namespace tarvik::emu
