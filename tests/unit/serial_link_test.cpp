#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/frames.h"
#include "core/readiness.h"
#include "core/settings_store.h"
#include "driver_fixture.h"

namespace tarvik::testing {
namespace {

using ::testing::ElementsAre;

class SerialLinkTest : public DriverTest {
protected:
    SerialLink& Link() { return D().Link; }
    void Open(int32_t model = 0) {
        MakeDriver(model);
        ASSERT_EQ(EnsureReady(D()), 0);
        ClearLine();
    }
    void Feed(const std::string& bytes) { os.Incoming.insert(os.Incoming.end(), bytes.begin(), bytes.end()); }
};

TEST_F(SerialLinkTest, OpeningAppliesTheDriversSettingsOnTheDefaultConfiguration) {
    Open();
    EXPECT_EQ(os.Opens, 1);
    ASSERT_EQ(os.AppliedTimeouts.size(), 1u);
    const CommTimeouts& t = os.AppliedTimeouts[0];
    EXPECT_EQ(t.ReadInterval, 400u);
    EXPECT_EQ(t.ReadTotalMultiplier, 4u);
    EXPECT_EQ(t.ReadTotalConstant, 2000u);
    EXPECT_EQ(t.WriteTotalMultiplier, 8u);
    EXPECT_EQ(t.WriteTotalConstant, 2000u);
    ASSERT_EQ(os.AppliedSettings.size(), 1u);
    const LineSettings& s = os.AppliedSettings[0];
    EXPECT_EQ(s.BaudRate, os.Port.Default.BaudRate);  // the default configuration, not the current one
    EXPECT_EQ(s.Flags & line_flags::Null, 0u);
    EXPECT_EQ(s.Flags & line_flags::Binary, line_flags::Binary);
    EXPECT_EQ(s.XonLim, 128);
    EXPECT_EQ(s.XoffLim, 128);
    EXPECT_EQ(s.Length, 28u);
    EXPECT_EQ(os.DtrRaised, 1);
    EXPECT_EQ(os.Purges.front(), 15u);
    EXPECT_EQ(Link().Open, 1);
}

TEST_F(SerialLinkTest, ModelOneWaitsLongerForItsReplies) {
    Open(1);
    EXPECT_EQ(os.AppliedTimeouts.at(0).ReadTotalConstant, 7000u);
}

TEST_F(SerialLinkTest, WithoutADefaultConfigurationThePortsCurrentSettingsAreUsed) {
    os.Port.DefaultAvailable = false;
    Open();
    ASSERT_EQ(os.AppliedSettings.size(), 1u);
    EXPECT_EQ(os.AppliedSettings[0].BaudRate, 19200u);
    EXPECT_EQ(os.AppliedSettings[0].Flags & line_flags::Null, 0u);
}

TEST_F(SerialLinkTest, SettingsThatCannotBeAppliedLeaveTheLinkFailedUntilRelease) {
    os.Port.SetStateWorks = false;
    MakeDriver();
    ASSERT_EQ(LoadPortSettings(os, Link()), 0);
    EXPECT_EQ(Link().OpenPort(), 0);  // the failure shows at the first exchange
    EXPECT_EQ(Link().Open, 0);
    EXPECT_FALSE(os.PortOpen);
    EXPECT_EQ(SendControlByte(Link(), control::Dle), 5);
    ASSERT_EQ(BuildFrame(Link(), "1#e", 1), 0);
    EXPECT_EQ(Link().SendTx(), 9);
}

TEST_F(SerialLinkTest, ReleaseRestoresWhatCouldBeSavedAndCloses) {
    os.Port.GetMaskWorks = false;  // the mask could not be saved: it is not set back
    const LineSettings before = os.Port.Current;
    const CommTimeouts timeoutsBefore = os.Port.Timeouts;
    Open();
    os.Purges.clear();
    EXPECT_EQ(Link().ReleasePort(), 0);
    EXPECT_FALSE(os.PortOpen);
    EXPECT_THAT(os.Purges, ElementsAre(15u));
    EXPECT_TRUE(os.AppliedMasks.empty());
    EXPECT_EQ(os.Port.Current.BaudRate, before.BaudRate);
    EXPECT_EQ(os.Port.Current.Flags, before.Flags);
    EXPECT_EQ(os.Port.Timeouts.ReadTotalConstant, timeoutsBefore.ReadTotalConstant);
    EXPECT_EQ(Link().Initialised, 0);
    EXPECT_EQ(Link().SettingsLoaded, 0);
    EXPECT_EQ(Link().TxBuffer, nullptr);
    EXPECT_EQ(os.LiveBlocks, 11);  // the text buffers stay
}

TEST_F(SerialLinkTest, ReleaseBeforeAnythingAndTwiceDoesNothing) {
    MakeDriver();
    EXPECT_EQ(Link().ReleasePort(), 0);
    Open();
    EXPECT_EQ(Link().ReleasePort(), 0);
    EXPECT_EQ(Link().ReleasePort(), 0);
    EXPECT_EQ(os.Opens, 1);
}

TEST_F(SerialLinkTest, AMissingByteCostsFiveWaitsAndFivePauses) {
    struct Case {
        int32_t model;
        uint64_t elapsed;
    };
    for (const Case c : {Case{0, 5 * (2004 + 200)}, Case{5, 5 * (2004 + 200)}, Case{1, 5 * (7004 + 200)}}) {
        Open(c.model);
        uint8_t byte = 0;
        const uint64_t start = os.NowMs;
        os.Sleeps.clear();
        EXPECT_EQ(Link().ReadByte(&byte), 5);
        EXPECT_EQ(os.NowMs - start, c.elapsed) << "model " << c.model;
        EXPECT_THAT(os.Sleeps, ElementsAre(200u, 200u, 200u, 200u, 200u));
        driver.reset();
    }
}

TEST_F(SerialLinkTest, AByteThatArrivesLateIsTaken) {
    Open();
    uint8_t byte = 0;
    os.Port.ReadFails = true;
    EXPECT_EQ(Link().ReadByte(&byte), 5);
    os.Port.ReadFails = false;
    Feed("A");
    EXPECT_EQ(Link().ReadByte(&byte), 0);
    EXPECT_EQ(byte, 'A');
}

TEST_F(SerialLinkTest, FixedCountReadIsCappedBelowTheBufferSize) {
    Open();
    Feed(std::string(5000, 'z'));
    Link().FrameMode = 0;
    Link().TxLength = 4096;
    EXPECT_EQ(Link().ReadReply(), 0);
    EXPECT_EQ(Link().TxLength, 4095u);
    EXPECT_EQ(Link().RxBuffer[4094], 'z');
    EXPECT_EQ(Link().RxBuffer[4095], 0);
    EXPECT_EQ(os.Incoming.size(), 5000u - 4095u);
}

TEST_F(SerialLinkTest, FrameModeReadsUpToTheTerminator) {
    Open();
    Feed(std::string("\x1bP1#X0\x1b\\", 8) + "more");
    Link().FrameMode = 1;
    EXPECT_EQ(Link().ReadReply(), 0);
    EXPECT_EQ(Link().TxLength, 8u);
    EXPECT_EQ(std::memcmp(Link().RxBuffer, "\x1bP1#X0\x1b\\", 9), 0);  // a zero byte follows
    EXPECT_EQ(os.Incoming.size(), 4u);
}

TEST_F(SerialLinkTest, AFirstBackslashDoesNotEndAReply) {
    Open();
    Feed("\\\x1b\\");
    Link().FrameMode = 1;
    EXPECT_EQ(Link().ReadReply(), 0);
    EXPECT_EQ(Link().TxLength, 3u);
}

TEST_F(SerialLinkTest, AnEndlessReplyStopsAtTheBufferAndFails) {
    Open();
    Feed(std::string(10000, 'A'));
    Link().FrameMode = 1;
    EXPECT_EQ(Link().ReadReply(), 5);
    EXPECT_EQ(Link().TxLength, 4095u);
    EXPECT_EQ(Link().RxBuffer[4095], 0);
}

TEST_F(SerialLinkTest, WritesThatFailOrFallShort) {
    Open();
    ASSERT_EQ(BuildFrame(Link(), "3$d", 1), 0);
    os.Port.WriteShortBy = 1;
    EXPECT_EQ(Link().SendTx(), 5);
    os.Port.WriteShortBy = 0;
    os.Port.WriteFails = true;
    EXPECT_EQ(Link().SendTx(), 5);
    os.Port.WriteFails = false;
    EXPECT_EQ(Link().SendTx(), 0);
    Link().TxLength = 0;
    EXPECT_EQ(Link().SendTx(), 9);
}

TEST_F(SerialLinkTest, SendingPurgesBothQueuesFirst) {
    Open();
    Feed("stale");
    os.Purges.clear();
    ASSERT_EQ(BuildFrame(Link(), "3$d", 1), 0);
    ASSERT_EQ(Link().SendTx(), 0);
    EXPECT_THAT(os.Purges, ElementsAre(12u));
    EXPECT_TRUE(os.Incoming.empty());
}

TEST_F(SerialLinkTest, BufferAllocationFailureLeavesNothingAndRetries) {
    MakeDriver();
    ASSERT_EQ(LoadPortSettings(os, Link()), 0);
    for (int failing : {1, 2}) {  // the transmit buffer, then the receive buffer
        os.FailAllocations = {os.Allocations + failing};
        const int live = os.LiveBlocks;
        EXPECT_EQ(Link().OpenPort(), 9);
        EXPECT_EQ(Link().Initialised, 0);
        EXPECT_EQ(os.LiveBlocks, live);
        EXPECT_EQ(os.Opens, 0);
    }
    os.FailAllocations.clear();
    EXPECT_EQ(Link().OpenPort(), 0);
    EXPECT_EQ(os.Opens, 1);
}

}  // namespace
}  // namespace tarvik::testing
