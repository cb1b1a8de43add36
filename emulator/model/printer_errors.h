// The error numbers the virtual printer reports after a command. README.md beside this file lists
// when each is given and what the driver makes of it.
#pragma once

namespace tarvik::emu::err {

constexpr int kOk = 0;
constexpr int kBadCommand = 3;         // unknown command, or a wrong number of parameters
constexpr int kBadField = 4;           // a parameter value or a field not of its form
constexpr int kBadName = 16;           // item name empty or longer than 40 characters
constexpr int kBadQuantity = 17;       // quantity not above 0 or too large
constexpr int kBadTaxRate = 18;        // tax-rate letter not defined
constexpr int kBadPrice = 19;          // price, value or amount out of range
constexpr int kBadValue = 20;          // line value is not quantity times price
constexpr int kNoReceipt = 21;         // needs a receipt in progress (or in its staged close)
constexpr int kTooManyLines = 23;      // the receipt holds the most lines it may
constexpr int kBadCashier = 25;        // cashier name or number too long
constexpr int kBadTotal = 27;          // total is not the receipt's sum
constexpr int kReceiptInProgress = 29; // not allowed while a receipt is in progress
constexpr int kBadPayment = 35;        // payments short of the amount due, or a wrong change
constexpr int kBadDate = 40;           // a date that does not exist, or a period that ends first

}  // namespace tarvik::emu::err
