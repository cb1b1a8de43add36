#include <cstring>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/frames.h"
#include "core/readiness.h"
#include "driver_fixture.h"

namespace tarvik::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class FramesTest : public DriverTest {
protected:
    void SetUp() override { ASSERT_EQ(EnsureReady(D()), 0); }
    std::vector<uint8_t> Tx() const {
        return std::vector<uint8_t>(driver->Link.TxBuffer, driver->Link.TxBuffer + driver->Link.TxLength);
    }
};

TEST_F(FramesTest, StartCommandWithChecksum) {
    ASSERT_EQ(BuildFrame(D().Link, "1#e", 1), 0);
    EXPECT_THAT(Tx(), ElementsAre(0x1B, 0x50, 0x31, 0x23, 0x65, 0x38, 0x38, 0x1B, 0x5C));
    EXPECT_EQ(D().Link.TxLength, 9u);
}

TEST_F(FramesTest, ErrorQueryWithoutChecksum) {
    ASSERT_EQ(BuildFrame(D().Link, "0#s", 0), 0);
    EXPECT_THAT(Tx(), ElementsAre(0x1B, 0x50, 0x30, 0x23, 0x73, 0x1B, 0x5C));
}

TEST_F(FramesTest, OnlyTheLowByteOfTheChecksumFlagCounts) {
    ASSERT_EQ(BuildFrame(D().Link, "0#s", 0x100), 0);
    EXPECT_EQ(D().Link.TxLength, 7u);
}

TEST_F(FramesTest, ChecksumIsTwoUpperCaseDigitsOverUnsignedBytes) {
    struct Case {
        const char* payload;
        const char* digits;
    };
    // 0xFF ^ 0x31 ^ 0x24 ^ 0x64 = 0x8E; 0xFF ^ 0xF0 = 0x0F keeps its leading zero; Mazovia
    // letters above 0x7F count as unsigned: 0xFF ^ 0x86 ^ 0x92 = 0xEB.
    const Case cases[] = {{"1$d", "8E"}, {"0$e", "8E"}, {"\xF0", "0F"}, {"\x86\x92", "EB"}};
    for (const Case& c : cases) {
        ASSERT_EQ(BuildFrame(D().Link, c.payload, 1), 0) << c.payload;
        const std::size_t n = std::strlen(c.payload);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(D().Link.TxBuffer) + 2 + n, 2), c.digits) << c.payload;
    }
}

TEST_F(FramesTest, RestOfTheBufferIsZeroAfterAFrame) {
    std::memset(D().Link.TxBuffer, 0xAA, SerialLink::kBufferSize);
    ASSERT_EQ(BuildFrame(D().Link, "3$d", 1), 0);
    const uint8_t* tx = D().Link.TxBuffer;
    for (uint32_t i = D().Link.TxLength; i < SerialLink::kBufferSize; ++i) ASSERT_EQ(tx[i], 0) << i;
}

TEST_F(FramesTest, RefusesWhatCannotBeFramed) {
    const std::string longest(SerialLink::kBufferSize - 7, 'x');  // n + 6 = 4095 still fits
    const std::string tooLong(SerialLink::kBufferSize - 6, 'x');
    EXPECT_EQ(BuildFrame(D().Link, nullptr, 1), 9);
    EXPECT_EQ(BuildFrame(D().Link, "", 1), 9);
    EXPECT_EQ(BuildFrame(D().Link, tooLong.c_str(), 1), 9);
    EXPECT_EQ(BuildFrame(D().Link, longest.c_str(), 1), 0);
    EXPECT_EQ(D().Link.TxLength, SerialLink::kBufferSize - 1);
}

TEST_F(FramesTest, NothingToFrameIntoAfterRelease) {
    D().Link.ReleasePort();
    EXPECT_EQ(BuildFrame(D().Link, "1#e", 1), 9);
    EXPECT_EQ(SendControlByte(D().Link, control::Dle), 9);
}

TEST_F(FramesTest, ControlByteExchangeLeavesTheAnswerAndTxLengthOne) {
    os.Printer.EnqAnswer = 0x6C;
    ASSERT_EQ(SendControlByte(D().Link, control::Enq), 0);
    EXPECT_EQ(D().Link.TxLength, 1u);
    EXPECT_EQ(D().Link.RxBuffer[0], 0x6C);
    EXPECT_EQ(D().Link.RxBuffer[1], 0);
    EXPECT_EQ(D().Link.FrameMode, 0);
}

TEST_F(FramesTest, ControlByteFailures) {
    os.Port.PurgeWorks = false;
    EXPECT_EQ(SendControlByte(D().Link, control::Enq), 5);
    os.Port.PurgeWorks = true;
    os.Port.WriteFails = true;
    EXPECT_EQ(SendControlByte(D().Link, control::Enq), 5);
    os.Port.WriteFails = false;
    os.Printer.SilentEnq = true;
    EXPECT_EQ(SendControlByte(D().Link, control::Enq), 5);
}

TEST_F(FramesTest, CanIsSentAloneAndNotAnswered) {
    ClearLine();
    ASSERT_EQ(SendCan(D().Link), 0);
    EXPECT_THAT(os.Printer.Events, ElementsAre("CAN"));
    EXPECT_TRUE(os.Incoming.empty());
}

}  // namespace
}  // namespace tarvik::testing
