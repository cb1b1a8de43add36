// Limits of the fields the printer accepts and small text helpers shared by the command handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvik::emu {

constexpr std::int64_t kMaxAmount = 9999999999;        // 99999999.99 in grosze
constexpr std::int64_t kMaxPayment = 999999999;        // 9999999.99: a payment form's amount
constexpr std::int64_t kMaxQuantity = 999999999900;    // 99999999.99 in ten-thousandths
constexpr long kMaxPackCount = 65535;                  // pack codes and quantities are 16-bit
constexpr std::size_t kNameLength = 40;                // item names, header and footer lines
constexpr std::size_t kFormNameLength = 15;
constexpr std::size_t kTillCodeLength = 3;
constexpr std::int64_t kTolerance = 1;                 // one grosz: the host rounds on its own

// The printer error number for a deposit pack's code, count and amount as read (an empty one did
// not parse): 0 when all three are acceptable.
int CheckPack(const std::optional<long>& code, const std::optional<long>& count,
              const std::optional<std::int64_t>& amount);

// Without the spaces that fill a fixed-width field.
std::string TrimRight(std::string text);

// A quantity in ten-thousandths as printed: "2", "2,5", "0,125".
std::string QuantityText(std::int64_t units);

}  // namespace tarvik::emu
