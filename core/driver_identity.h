// What a deliverable is: fixed when the library is loaded, the same for its whole life.
#pragma once

#include <cstdint>

namespace tarvik {

// Printer model codes. The three deliverables use 0, 5 and 1; the driver keeps the branches of 2,
// 3 and 4 as well.
namespace model {
constexpr int32_t Quenda = 0;
constexpr int32_t Ostryk = 1;
constexpr int32_t Marbel = 5;
}  // namespace model

struct DriverIdentity {
    int32_t PrinterModel = 0;
    const char* Description = "";
    const char* ShortName = "";
    int32_t PaymentFormCount = 8;
};

}  // namespace tarvik
