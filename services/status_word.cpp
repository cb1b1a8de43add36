#include "services/status_word.h"

#include "core/driver.h"
#include "core/frames.h"
#include "core/readiness.h"

namespace tarvik {
namespace {

struct ErrorBits {
    bool Mapped;
    uint32_t Bits;
};

ErrorBits StatusBitsOf(int64_t number) {
    using namespace status_bits;
    switch (number) {
        case 0: return {true, 0};
        case 1: case 5: case 40: return {true, ClockOrIo};
        case 2: case 9: return {true, Incomplete};
        case 3: case 4: case 7: case 15: case 16: return {true, NotCarriedOut};
        case 14: return {true, Error14};
        case 24: case 28: return {true, NoRoom};
        case 6: case 8: case 11: case 13: case 141: return {true, TransactionError};
        default: break;
    }
    if ((number >= 17 && number <= 23) || (number >= 25 && number <= 27) || (number >= 29 && number <= 39) ||
        (number >= 41 && number <= 51))
        return {true, status_bits::TransactionError};
    return {false, 0};
}

}  // namespace

ResultCode GetStatus(Driver& driver, uint32_t* status) {
    using namespace status_bits;
    driver.Trace("FP_GETSTATUS");
    uint32_t own = 0;
    uint32_t& word = status ? *status : own;
    word = Initial;
    auto fail = [&word](ResultCode result) {
        word |= Incomplete;
        return result;
    };

    const ResultCode ready = EnsureReady(driver);
    if (ready) return fail(ready);
    SerialLink& link = driver.Link;

    if (driver.Model() != 1) {
        const ResultCode dle = SendControlByte(link, control::Dle);
        if (dle) return fail(dle);
        const uint8_t d = link.RxBuffer[0];
        if (!IsDleAnswer(d)) return fail(0);
        if (!(d & 0x04)) word |= NotReady;
        if (d & 0x01) word |= DleBit0;
        if (d & 0x02) word |= DleBit1;
    }

    const ResultCode enq = SendControlByte(link, control::Enq);
    if (enq) return fail(enq);
    const uint8_t e = link.RxBuffer[0];
    if (!IsEnqAnswer(e)) return fail(0);
    if (!(e & 0x01) && driver.Receipt.ClosePending) word |= TransactionError;
    if (e & 0x02) word |= ReceiptInProgress;
    if (!(e & 0x04) && driver.Receipt.ReceiptOpened) word |= NotCarriedOut;
    if (e & 0x08) word |= EnqBit3;

    const ErrorQuery query = RunErrorQuery(driver);
    switch (query.Result) {
        case ErrorQuery::Outcome::ExchangeFailed: return fail(query.ExchangeCode);
        case ErrorQuery::Outcome::WrongReply:
        case ErrorQuery::Outcome::NoNumber: return fail(0);
        case ErrorQuery::Outcome::Number: break;
    }
    const ErrorBits mapped = StatusBitsOf(query.Number);
    if (!mapped.Mapped) return 1;
    word |= mapped.Bits;
    driver.Receipt.ClosePending = 0;
    return 0;
}

}  // namespace tarvik
