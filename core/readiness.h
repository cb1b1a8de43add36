// Readiness before a command and confirmation after it. EnsureReady brings up buffers, settings
// and port, checks the printer's DLE answer and sends the start command once per opening;
// ConfirmCommand asks with DLE and ENQ whether the printer carried the command out and turns its
// error number into a result code.
#pragma once

#include <cstdint>

#include "core/result_code.h"

namespace tarvik {

class Driver;

ResultCode EnsureReady(Driver& driver);
ResultCode ConfirmCommand(Driver& driver, int32_t expectOpenReceipt);
// A plain ENQ exchange whose outcome nobody uses.
void CheckEnq(Driver& driver);

// The answer forms of the two control bytes.
inline bool IsDleAnswer(uint8_t byte) { return (byte & 0xF8) == 0x70; }
inline bool IsEnqAnswer(uint8_t byte) { return (byte & 0xF0) == 0x60; }

// The error query "0#s" and its reply "\x1bP1#X<number>...".
struct ErrorQuery {
    enum class Outcome { Number, ExchangeFailed, WrongReply, NoNumber };
    Outcome Result = Outcome::ExchangeFailed;
    ResultCode ExchangeCode = 0;  // with ExchangeFailed: the failing step's result
    // The printer's error number. A number that does not fit 32 bits comes back as
    // kUnmappedErrorNumber.
    int64_t Number = 0;
};
constexpr int64_t kUnmappedErrorNumber = -1;

ErrorQuery RunErrorQuery(Driver& driver);

// Reads the error number that follows the reply's five leading bytes, as "%d" does: leading white
// space skipped, a sign, digits up to the first other character. False when there are no digits.
bool ParseErrorNumber(const uint8_t* text, std::size_t length, int64_t* number);

// The result code of a printer error number after a command (never called for 0).
ResultCode MapCommandError(int64_t number);

}  // namespace tarvik
