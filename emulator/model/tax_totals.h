// Sales and the tax in them per tax-rate letter, as a receipt and the daily totals keep them.
#pragma once

#include <array>
#include <cstdint>

namespace tarvik::emu {

constexpr int kTaxLetters = 7;   // A to G
constexpr int kExemptLetter = 6; // G: exempt, no tax

struct TaxTotals {
    std::array<std::int64_t, kTaxLetters> gross{};   // grosze
    std::array<std::int64_t, kTaxLetters> tax{};     // grosze

    std::int64_t Gross() const;
    std::int64_t Tax() const;
    TaxTotals& operator+=(const TaxTotals& other);
};

// The tax contained in a gross amount at a rate given in hundredths of a percent, rounded half up
// to the grosz: gross * rate / (100 % + rate).
std::int64_t TaxIn(std::int64_t gross, int rate);

}  // namespace tarvik::emu
