#include "core/readiness.h"

#include <cstring>

#include "core/driver.h"
#include "core/frames.h"
#include "core/settings_store.h"

namespace tarvik {
namespace {

constexpr char kStartCommand[] = "1#e";
constexpr char kErrorQuery[] = "0#s";
constexpr uint8_t kReplyHead[] = {0x1B, 'P', '1', '#', 'X'};
constexpr std::size_t kReplyHeadLength = sizeof kReplyHead;

bool IsCSpace(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Printer error numbers 0 to 141 and their result codes; everything else is 9.
constexpr uint8_t kCommandErrors[] = {
    0,  3,  1,  1,  1,  5,  9,  9,  9,  5,   // 0-9
    9,  35, 9,  9,  9,  9,  31, 33, 35, 34,  // 10-19
    23, 11, 36, 12, 41, 1,  1,  22, 41, 11,  // 20-29
    1,  9,  36, 1,  31, 22, 1,  9,  31, 35,  // 30-39
    4,  1,  1,  1,  1,  1,  1,  1,  1,  1,   // 40-49
    1,  23,                                  // 50-51
};

}  // namespace

ResultCode EnsureReady(Driver& driver) {
    const ResultCode buffers = AllocateTextBuffers(driver.Os, driver.Text);
    if (buffers) return buffers;
    if (LoadPortSettings(driver.Os, driver.Link)) return 9;
    SerialLink& link = driver.Link;
    if (link.OpenPort()) return 8;
    if (driver.Model() != 1) {
        const ResultCode dle = SendControlByte(link, control::Dle);
        if (dle) return dle;
        if (!IsDleAnswer(link.RxBuffer[0])) return 5;
    }
    if (!link.StartSent) {
        ResultCode sent = BuildFrame(link, kStartCommand, 1);
        if (!sent) sent = link.SendTx();
        if (sent) return sent;
        CheckEnq(driver);
        link.StartSent = 1;
    }
    return 0;
}

void CheckEnq(Driver& driver) { SendControlByte(driver.Link, control::Enq); }

bool ParseErrorNumber(const uint8_t* text, std::size_t length, int64_t* number) {
    std::size_t i = 0;
    while (i < length && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= length || text[i] < '0' || text[i] > '9') return false;
    // Accumulate with a ceiling: anything beyond 32 bits is unmapped whatever its digits.
    int64_t value = 0;
    bool tooLarge = false;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{0x80000000}) {
            tooLarge = true;
            value = 0;
        }
    }
    if (negative) value = -value;
    if (tooLarge || value > INT32_MAX || value < INT32_MIN) value = kUnmappedErrorNumber;
    *number = value;
    return true;
}

ErrorQuery RunErrorQuery(Driver& driver) {
    SerialLink& link = driver.Link;
    ErrorQuery query;
    ResultCode step = BuildFrame(link, kErrorQuery, 0);
    if (!step) step = link.PurgeInput();
    if (!step) step = link.SendTx();
    if (!step) {
        link.FrameMode = 1;
        step = link.ReadReply();
    }
    if (step) {
        query.ExchangeCode = step;
        return query;
    }
    const uint8_t* reply = link.RxBuffer;
    const std::size_t length = link.TxLength;
    if (length < kReplyHeadLength || std::memcmp(reply, kReplyHead, kReplyHeadLength) != 0) {
        query.Result = ErrorQuery::Outcome::WrongReply;
        return query;
    }
    std::size_t end = kReplyHeadLength;
    while (end < length && reply[end] != ';' && reply[end] != '\\' && reply[end] != control::Esc) ++end;
    if (!ParseErrorNumber(reply + kReplyHeadLength, end - kReplyHeadLength, &query.Number)) {
        query.Result = ErrorQuery::Outcome::NoNumber;
        return query;
    }
    query.Result = ErrorQuery::Outcome::Number;
    return query;
}

ResultCode MapCommandError(int64_t number) {
    if (number >= 0 && number < static_cast<int64_t>(sizeof kCommandErrors)) return kCommandErrors[number];
    if (number == 141) return 35;
    return 9;
}

ResultCode ConfirmCommand(Driver& driver, int32_t expectOpenReceipt) {
    SerialLink& link = driver.Link;
    if (driver.Model() != 1) {
        const ResultCode dle = SendControlByte(link, control::Dle);
        if (dle) return dle;
        const uint8_t answer = link.RxBuffer[0];
        if (!IsDleAnswer(answer) || !(answer & 0x04)) return 5;
        if (answer & 0x03) return 9;
    }
    const ResultCode enq = SendControlByte(link, control::Enq);
    if (enq) return enq;
    const uint8_t firstEnq = link.RxBuffer[0];
    if (!IsEnqAnswer(firstEnq)) return 5;

    const ErrorQuery query = RunErrorQuery(driver);
    switch (query.Result) {
        case ErrorQuery::Outcome::ExchangeFailed: return query.ExchangeCode;
        case ErrorQuery::Outcome::WrongReply:
        case ErrorQuery::Outcome::NoNumber: return 5;
        case ErrorQuery::Outcome::Number: break;
    }
    if (query.Number != 0) return MapCommandError(query.Number);

    if (!(firstEnq & 0x04)) return 9;  // no error, yet the command was not carried out
    const ResultCode second = SendControlByte(link, control::Enq);
    if (second) return second;
    const uint8_t secondEnq = link.RxBuffer[0];
    if (!IsEnqAnswer(secondEnq)) return 5;
    if (expectOpenReceipt && !(secondEnq & 0x02)) return 9;
    return 0;
}

}  // namespace tarvik
