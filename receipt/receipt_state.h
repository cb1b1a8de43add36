// The driver's own record of the receipt it believes is open on the printer, with the payment and
// deposit-pack tables of the receipt being built. It lives from load to unload.
#pragma once

#include <array>
#include <cstdint>

namespace tarvik {

struct PaymentSlot {
    int32_t FormIndex = -1;  // negative while the slot is empty
    double Amount = 0;
    char Name[18] = {};      // 15 characters, room for a CR and the zero byte
};

struct PackEntry {
    int32_t Code = 0;
    int32_t Quantity = 0;
    double Price = 0;
};

struct ReceiptState {
    static constexpr int kPaymentForms = 8;
    static constexpr int kMaxPacks = 20;

    int32_t LineCounter = -1;  // number of the next sale line; -1 when no receipt is counted open
    int32_t ReceiptOpened = 0;
    int32_t ClosePending = 0;
    std::array<PaymentSlot, kPaymentForms> PaymentTable{};
    int32_t PaymentsAdded = 0;
    std::array<PackEntry, kMaxPacks> PackTable{};
    int32_t PackCount = 0;
    std::array<PackEntry, kMaxPacks> ReturnPackTable{};
    int32_t ReturnPackCount = 0;
};

}  // namespace tarvik
