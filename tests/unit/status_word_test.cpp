#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/readiness.h"
#include "driver_fixture.h"
#include "services/status_word.h"

namespace tarvik::testing {
namespace {

using ::testing::ElementsAre;

class StatusWordTest : public DriverTest {
protected:
    ResultCode Status(uint32_t* word) { return GetStatus(D(), word); }
};

TEST_F(StatusWordTest, ControlByteAnswersAndFlags) {
    struct Case {
        int32_t model;
        uint8_t dle, enq;
        int32_t receiptOpened, closePending;
        uint32_t word;
    };
    const Case cases[] = {
        {0, 0x74, 0x6D, 0, 0, 0x05520000},  // only ENQ bit 3 adds a bit
        {0, 0x74, 0x66, 0, 0, 0x04520080},
        {0, 0x74, 0x62, 1, 0, 0x04520081},
        {0, 0x74, 0x62, 0, 0, 0x04520080},
        {0, 0x74, 0x60, 0, 1, 0x04520002},
        {0, 0x74, 0x61, 0, 1, 0x04520000},
        {0, 0x70, 0x65, 0, 0, 0x04520200},
        {0, 0x77, 0x65, 0, 0, 0x04520C00},
        {5, 0x73, 0x6F, 1, 1, 0x05520E80},
        {1, 0x70, 0x65, 0, 0, 0x04520000},  // no DLE with model 1
        {1, 0x77, 0x60, 1, 1, 0x04520003},
    };
    for (const Case& c : cases) {
        MakeDriver(c.model);
        os.Printer.DleAnswer = c.dle;
        os.Printer.EnqAnswer = c.enq;
        D().Receipt.ReceiptOpened = c.receiptOpened;
        D().Receipt.ClosePending = c.closePending;
        uint32_t word = 0xDEADBEEF;
        EXPECT_EQ(Status(&word), 0);
        EXPECT_EQ(word, c.word) << std::hex << "model " << c.model << " DLE " << int(c.dle) << " ENQ " << int(c.enq);
        EXPECT_EQ(D().Receipt.ClosePending, 0);
        driver.reset();
    }
}

TEST_F(StatusWordTest, ModelOneSendsNoDle) {
    MakeDriver(1);
    uint32_t word = 0;
    ASSERT_EQ(Status(&word), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("F:1#e88", "ENQ", "ENQ", "F:0#s"));
}

TEST_F(StatusWordTest, PrinterErrorNumbers) {
    struct Case {
        const char* reply;  // after ESC P 1 # X
        uint32_t bits;
        bool clearsClosePending;
        ResultCode result;
    };
    const Case cases[] = {
        {"0\x1b\\", 0, true, 0},          {"1\x1b\\", 0x2000, true, 0},    {"5\x1b\\", 0x2000, true, 0},
        {"40\x1b\\", 0x2000, true, 0},    {"2\x1b\\", 0x100, true, 0},     {"9\x1b\\", 0x100, true, 0},
        {"3\x1b\\", 0x1, true, 0},        {"4\x1b\\", 0x1, true, 0},       {"7\x1b\\", 0x1, true, 0},
        {"15\x1b\\", 0x1, true, 0},       {"16\x1b\\", 0x1, true, 0},      {"6\x1b\\", 0x2, true, 0},
        {"8\x1b\\", 0x2, true, 0},        {"11\x1b\\", 0x2, true, 0},      {"13\x1b\\", 0x2, true, 0},
        {"17\x1b\\", 0x2, true, 0},       {"23\x1b\\", 0x2, true, 0},      {"25\x1b\\", 0x2, true, 0},
        {"27\x1b\\", 0x2, true, 0},       {"29\x1b\\", 0x2, true, 0},      {"39\x1b\\", 0x2, true, 0},
        {"41\x1b\\", 0x2, true, 0},       {"51\x1b\\", 0x2, true, 0},      {"141\x1b\\", 0x2, true, 0},
        {"14;\x1b\\", 0x20, true, 0},     {"24\x1b\\", 0x4000, true, 0},   {"28\x1b\\", 0x4000, true, 0},
        {"10\x1b\\", 0, false, 1},        {"12\x1b\\", 0, false, 1},       {"52\x1b\\", 0, false, 1},
        {"140\x1b\\", 0, false, 1},       {"200\x1b\\", 0, false, 1},      {"-3\x1b\\", 0, false, 1},
        {"4294967296\x1b\\", 0, false, 1},
    };
    for (const Case& c : cases) {
        os.Printer.ErrorReplies = {ErrorReply(c.reply)};
        D().Receipt.ClosePending = 1;
        os.Printer.EnqAnswer = 0x65;  // bit 0 set: ClosePending adds nothing here
        uint32_t word = 0;
        EXPECT_EQ(Status(&word), c.result) << c.reply;
        EXPECT_EQ(word, 0x04520000u | c.bits) << c.reply;
        EXPECT_EQ(D().Receipt.ClosePending, c.clearsClosePending ? 0 : 1) << c.reply;
    }
}

TEST_F(StatusWordTest, ClosePendingEndsWithAMappedNumber) {
    os.Printer.EnqAnswer = 0x60;
    D().Receipt.ClosePending = 1;
    uint32_t word = 0;
    ASSERT_EQ(Status(&word), 0);
    EXPECT_EQ(word, 0x04520002u);
    ASSERT_EQ(Status(&word), 0);
    EXPECT_EQ(word, 0x04520000u);
}

TEST_F(StatusWordTest, ReadingsThatStopEarly) {
    struct Case {
        const char* what;
        void (*arrange)(FakePlatform&);
        uint32_t word;
        ResultCode result;
    };
    const Case cases[] = {
        {"DLE 0x00", [](FakePlatform& os) { os.Printer.DleAnswers = {0x74, 0x00}; }, 0x04520100, 0},
        {"no ENQ answer", [](FakePlatform& os) { os.Printer.SilentEnq = true; }, 0x04520100, 5},
        {"ENQ of the wrong form", [](FakePlatform& os) { os.Printer.EnqAnswers = {0x64, 0x74}; }, 0x04520100, 0},
        {"no error reply", [](FakePlatform& os) { os.Printer.SilentErrorQuery = true; }, 0x04520100, 5},
        {"wrong reply head", [](FakePlatform& os) { os.Printer.ErrorReplies = {"\x1bP0#X0\x1b\\"}; }, 0x04520100, 0},
        {"letters", [](FakePlatform& os) { os.Printer.ErrorReplies = {ErrorReply("E1\x1b\\")}; }, 0x04520100, 0},
        {"endless reply", [](FakePlatform& os) { os.Printer.ErrorReplies = {std::string(6000, 'A')}; }, 0x04520100, 5},
        {"port missing", [](FakePlatform& os) { os.ExistingPorts.clear(); }, 0x04520100, 8},
    };
    for (const Case& c : cases) {
        FakePlatform fresh;
        fresh.SetPort("COM1");
        fresh.Printer.EnqAnswer = 0x65;  // bit 0 set: the pending close adds nothing
        c.arrange(fresh);
        Driver d(fresh, IdentityFor(0));
        d.Receipt.ClosePending = 1;
        uint32_t word = 0;
        EXPECT_EQ(GetStatus(d, &word), c.result) << c.what;
        EXPECT_EQ(word, c.word) << c.what;
        EXPECT_EQ(d.Receipt.ClosePending, 1) << c.what;
    }
}

TEST_F(StatusWordTest, DleAndEnqBitsStayWhenTheErrorQueryFails) {
    os.Printer.DleAnswer = 0x77;
    os.Printer.EnqAnswer = 0x6A;
    os.Printer.SilentErrorQuery = true;
    uint32_t word = 0;
    EXPECT_EQ(Status(&word), 5);
    EXPECT_EQ(word, 0x04520000u | 0xC00 | 0x80 | 0x1000000 | 0x100);
}

TEST_F(StatusWordTest, ANullWordRunsTheSameExchanges) {
    os.Printer.ErrorNumber = 12;
    EXPECT_EQ(Status(nullptr), 1);
    EXPECT_THAT(os.Printer.Events, ElementsAre("DLE", "F:1#e88", "ENQ", "DLE", "ENQ", "F:0#s"));
    EXPECT_EQ(os.TraceLines.front(), "FP_GETSTATUS");
}

}  // namespace
}  // namespace tarvik::testing
