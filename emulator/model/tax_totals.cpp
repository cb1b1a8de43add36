#include "emulator/model/tax_totals.h"

namespace tarvik::emu {

std::int64_t TaxTotals::Gross() const {
    std::int64_t sum = 0;
    for (const std::int64_t g : gross) sum += g;
    return sum;
}

std::int64_t TaxTotals::Tax() const {
    std::int64_t sum = 0;
    for (const std::int64_t t : tax) sum += t;
    return sum;
}

TaxTotals& TaxTotals::operator+=(const TaxTotals& other) {
    for (int i = 0; i < kTaxLetters; ++i) {
        gross[i] += other.gross[i];
        tax[i] += other.tax[i];
    }
    return *this;
}

std::int64_t TaxIn(std::int64_t gross, int rate) {
    if (rate <= 0) return 0;
    const std::int64_t divisor = 10000 + rate;
    const std::int64_t product = gross * rate;
    const std::int64_t half = divisor / 2;
    return product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
}

}  // namespace tarvik::emu
