#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/frames.h"
#include "core/readiness.h"
#include "driver_fixture.h"

namespace tarvik::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ReadinessTest : public DriverTest {};

TEST_F(ReadinessTest, FirstCheckAsksDleAndSendsTheStartCommandOnce) {
    EXPECT_EQ(EnsureReady(D()), 0);
    EXPECT_EQ(EnsureReady(D()), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("DLE", "F:1#e88", "ENQ", "DLE"));
}

TEST_F(ReadinessTest, StartCommandIsSentAgainAfterRelease) {
    ASSERT_EQ(EnsureReady(D()), 0);
    D().Link.ReleasePort();
    ClearLine();
    ASSERT_EQ(EnsureReady(D()), 0);
    EXPECT_EQ(os.Opens, 2);
    EXPECT_THAT(os.Printer.Events, ElementsAre("DLE", "F:1#e88", "ENQ"));
}

TEST_F(ReadinessTest, ModelOneSkipsDleAndIgnoresASilentEnq) {
    MakeDriver(1);
    os.Printer.SilentEnq = true;
    EXPECT_EQ(EnsureReady(D()), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("F:1#e88", "ENQ"));
    EXPECT_EQ(D().Link.StartSent, 1);
}

TEST_F(ReadinessTest, DleAnswerMustHaveItsFixedBits) {
    for (uint8_t answer = 0x70; answer <= 0x77; ++answer) {
        MakeDriver();
        os.Printer.DleAnswer = answer;
        EXPECT_EQ(EnsureReady(D()), 0) << int(answer);
        driver.reset();
    }
    for (uint8_t answer : {0x00, 0x78, 0x7C, 0x64, 0xF4}) {
        MakeDriver();
        os.Printer.DleAnswer = answer;
        EXPECT_EQ(EnsureReady(D()), 5) << int(answer);
        EXPECT_EQ(D().Link.StartSent, 0);
        driver.reset();
    }
}

TEST_F(ReadinessTest, SilentPrinterAndMissingSettings) {
    os.Printer.SilentDle = true;
    EXPECT_EQ(EnsureReady(D()), 5);
    driver.reset();
    FakePlatform unconfigured;
    Driver bare(unconfigured, IdentityFor(0));
    EXPECT_EQ(EnsureReady(bare), 9);
    EXPECT_EQ(unconfigured.Opens, 0);
}

TEST_F(ReadinessTest, AStartCommandThatCannotBeWrittenIsTriedAgain) {
    MakeDriver(1);  // no DLE first, so the start command is the first write
    os.Port.WriteShortBy = 1;
    EXPECT_EQ(EnsureReady(D()), 5);
    EXPECT_EQ(D().Link.StartSent, 0);
    os.Port.WriteShortBy = 0;
    ClearLine();
    EXPECT_EQ(EnsureReady(D()), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("F:1#e88", "ENQ"));
}

TEST_F(ReadinessTest, APortThatCannotBeOpenedGives8ThenFailsUntilReleased) {
    struct Case {
        int32_t model;
        ResultCode later;
    };
    for (const Case c : {Case{0, 5}, Case{5, 5}, Case{1, 9}}) {
        FakePlatform missing;
        missing.SetPort("COM7");
        Driver d(missing, IdentityFor(c.model));
        EXPECT_EQ(EnsureReady(d), 8);
        EXPECT_EQ(EnsureReady(d), c.later) << "model " << c.model;
        EXPECT_EQ(EnsureReady(d), c.later);
        EXPECT_EQ(missing.Opens, 0);
        missing.ExistingPorts.insert("COM7");
        d.Link.ReleasePort();
        EXPECT_EQ(EnsureReady(d), 0);
        EXPECT_EQ(missing.Opens, 1);
    }
}

TEST_F(ReadinessTest, APortHeldByAnotherProcessCannotBeOpened) {
    os.HeldByOthers.insert("COM1");
    EXPECT_EQ(EnsureReady(D()), 8);
}

// ConfirmCommand after a command frame; the printer's first ENQ answer says the command was carried
// out unless a case says otherwise.
class ConfirmTest : public DriverTest {
protected:
    void SetUp() override {
        ASSERT_EQ(EnsureReady(D()), 0);
        ClearLine();
    }
};

TEST_F(ConfirmTest, ExchangesOfASuccessfulConfirmation) {
    EXPECT_EQ(ConfirmCommand(D(), 0), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("DLE", "ENQ", "F:0#s", "ENQ"));
}

TEST_F(ConfirmTest, ModelOneStartsWithEnq) {
    driver.reset();
    MakeDriver(1);
    ASSERT_EQ(EnsureReady(D()), 0);
    ClearLine();
    EXPECT_EQ(ConfirmCommand(D(), 0), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("ENQ", "F:0#s", "ENQ"));
}

TEST_F(ConfirmTest, DleAnswers) {
    struct Case {
        uint8_t dle;
        ResultCode result;
    };
    const Case cases[] = {{0x74, 0}, {0x70, 5}, {0x75, 9}, {0x76, 9}, {0x77, 9}, {0x7C, 5}, {0x34, 5}};
    for (const Case& c : cases) {
        os.Printer.DleAnswers = {c.dle};
        EXPECT_EQ(ConfirmCommand(D(), 0), c.result) << std::hex << int(c.dle);
    }
}

TEST_F(ConfirmTest, PrinterErrorNumbersMapToResultCodes) {
    struct Case {
        int number;
        ResultCode result;
    };
    const Case cases[] = {
        {1, 3},   {2, 1},   {3, 1},   {4, 1},   {5, 5},   {6, 9},   {7, 9},   {8, 9},   {9, 5},   {10, 9},
        {11, 35}, {12, 9},  {13, 9},  {14, 9},  {15, 9},  {16, 31}, {17, 33}, {18, 35}, {19, 34}, {20, 23},
        {21, 11}, {22, 36}, {23, 12}, {24, 41}, {25, 1},  {26, 1},  {27, 22}, {28, 41}, {29, 11}, {30, 1},
        {31, 9},  {32, 36}, {33, 1},  {34, 31}, {35, 22}, {36, 1},  {37, 9},  {38, 31}, {39, 35}, {40, 4},
        {41, 1},  {45, 1},  {50, 1},  {51, 23}, {52, 9},  {100, 9}, {140, 9}, {141, 35}, {142, 9}, {-1, 9},
    };
    for (const Case& c : cases) {
        os.Printer.ErrorNumber = c.number;
        EXPECT_EQ(ConfirmCommand(D(), 0), c.result) << "printer error " << c.number;
        EXPECT_EQ(os.Printer.Events.back(), "F:0#s") << "no second ENQ after an error";
    }
}

TEST_F(ConfirmTest, ErrorQueryReplies) {
    struct Case {
        std::string reply;
        ResultCode result;
    };
    const Case cases[] = {
        {ErrorReply("17;\x1b\\"), 33},
        {ErrorReply("141\x1b\\"), 35},          // terminator right after the digits
        {ErrorReply("\\17\x1b\\"), 5},          // no digits before the end of the number
        {ErrorReply(";\x1b\\"), 5},
        {ErrorReply("12ab\x1b\\"), 9},          // read as 12
        {ErrorReply(" \t+17\x1b\\"), 33},       // blanks and a sign, as "%d" reads them
        {ErrorReply("-3\x1b\\"), 9},
        {ErrorReply("99999999999999999999\x1b\\"), 9},  // does not fit 32 bits: unmapped
        {ErrorReply("4294967313\x1b\\"), 9},    // 2^32 + 17 must not wrap around to 17
        {ErrorReply("-2147483648\x1b\\"), 9},
        {"\x1bP0#X0\x1b\\", 5},                 // '0' where '1' belongs
        {"\x1b\\", 5},
    };
    for (const Case& c : cases) {
        os.Printer.ErrorReplies = {c.reply};
        EXPECT_EQ(ConfirmCommand(D(), 0), c.result) << c.reply;
    }
}

TEST_F(ConfirmTest, NoErrorButNotCarriedOut) {
    os.Printer.EnqAnswers = {0x60};
    EXPECT_EQ(ConfirmCommand(D(), 0), 9);
    EXPECT_EQ(os.Printer.Events.back(), "F:0#s");
}

TEST_F(ConfirmTest, ExpectedOpenReceipt) {
    struct Case {
        int32_t expectOpen;
        uint8_t secondEnq;
        ResultCode result;
    };
    const Case cases[] = {{1, 0x64, 9}, {1, 0x66, 0}, {0, 0x64, 0}, {0, 0x66, 0}, {1, 0x56, 5}, {0, 0x44, 5}};
    for (const Case& c : cases) {
        os.Printer.EnqAnswers = {0x64, c.secondEnq};
        EXPECT_EQ(ConfirmCommand(D(), c.expectOpen), c.result)
            << "expect " << c.expectOpen << " second ENQ " << std::hex << int(c.secondEnq);
    }
}

TEST_F(ConfirmTest, BrokenExchanges) {
    os.Printer.EnqAnswers = {0x74};  // a DLE-form byte answering ENQ
    EXPECT_EQ(ConfirmCommand(D(), 0), 5);
    os.Printer.SilentErrorQuery = true;
    EXPECT_EQ(ConfirmCommand(D(), 0), 5);
    os.Printer.SilentErrorQuery = false;
    os.Printer.ErrorReplies = {std::string(5000, 'x')};
    EXPECT_EQ(ConfirmCommand(D(), 0), 5);
    os.Incoming.clear();
    os.Printer.SilentEnq = true;
    EXPECT_EQ(ConfirmCommand(D(), 0), 5);
}

TEST_F(ConfirmTest, AReleasedPortCannotConfirm) {
    D().Link.ReleasePort();
    EXPECT_EQ(ConfirmCommand(D(), 0), 9);
    EXPECT_THAT(os.Printer.Events, IsEmpty());
}

}  // namespace
}  // namespace tarvik::testing
