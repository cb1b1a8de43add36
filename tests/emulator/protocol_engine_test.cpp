#include "emulator/protocol_engine.h"

#include <gtest/gtest.h>

#include "fake_fiscal_backend.h"

namespace tarvik::emu {
namespace {

using testing::FakeFiscalBackend;
using testing::Frame;
using testing::QueryReply;

const std::string kDle(1, '\x10');
const std::string kEnq(1, '\x05');
const std::string kCan(1, '\x18');
const std::string kQuery = "\x1bP0#s\x1b\\";

class EngineTest : public ::testing::Test {
protected:
    std::string Feed(const std::string& bytes) { return engine.Feed(bytes); }
    std::string Enq() { return Feed(kEnq); }

    FakeFiscalBackend model;
    ProtocolEngine engine{model};
};

TEST(Checksum, MatchesTheKnownFrames) {
    EXPECT_EQ(Checksum("1#e"), "88");
    EXPECT_EQ(Checksum("0$e"), "8E");
    EXPECT_EQ(Checksum("\xF5"), "0A");        // below 0x10: leading zero
    EXPECT_EQ(Checksum("\xA5\x86"), "DC");    // Mazovia letters count as unsigned bytes
    EXPECT_EQ(Frame("1#e"), std::string("\x1b\x50\x31\x23\x65\x38\x38\x1b\x5c"));
}

TEST(CommandFamily, TakesTheLettersAfterTheParameters) {
    EXPECT_EQ(CommandFamily("1#e"), "#e");
    EXPECT_EQ(CommandFamily("0;2$hHEADER\r"), "$h");
    EXPECT_EQ(CommandFamily("3$lBULKA$x/1/A/"), "$l");  // a '$' in the name does not count
    EXPECT_EQ(CommandFamily("1;0;2;0;0;1$e   \r"), "$e");
    EXPECT_EQ(CommandFamily("#r"), "#r");
    EXPECT_EQ(CommandFamily("2$d\fA\r\nB"), "$d");
    EXPECT_EQ(CommandFamily("12"), "");
    EXPECT_EQ(CommandFamily("0$"), "");
}

TEST_F(EngineTest, CarriesOutAFrameWithChecksumAndRecordsIt) {
    EXPECT_EQ(Feed(Frame("1#e")), "");
    EXPECT_EQ(model.Executed(), std::vector<std::string>{"1#e"});
    const Observation& seen = engine.Observed();
    ASSERT_EQ(seen.frames.size(), 1u);
    EXPECT_EQ(seen.frames[0].body, "1#e88");
    EXPECT_EQ(seen.frames[0].payload, "1#e");
    EXPECT_EQ(seen.family_counts.at("#e"), 1);
    EXPECT_EQ(seen.payload_counts.at("1#e"), 1);
    EXPECT_EQ(seen.raw, Frame("1#e"));
}

TEST_F(EngineTest, AFrameSplitIntoSingleBytesIsTheSameFrame) {
    std::string out;
    for (char c : Frame("0;1$hNAGLOWEK\r") + kEnq) out += Feed(std::string(1, c));
    EXPECT_EQ(model.Executed(), std::vector<std::string>{"0;1$hNAGLOWEK\r"});
    EXPECT_EQ(out, "\x64");
}

TEST_F(EngineTest, RefusesFramesWithoutAGoodChecksum) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"missing", Frame("0$e", false)},
        {"wrong", "\x1bP0$e8F\x1b\\"},
        {"no digits at the end", "\x1bP0;1$hA\rx\x1b\\"},
        {"lower-case digits", "\x1bP0$e8e\x1b\\"},
        {"empty frame", "\x1bP\x1b\\"},
        {"checksum only", "\x1bP88\x1b\\"},
        {"error query with checksum", Frame("0#s")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFiscalBackend fresh;
        ProtocolEngine engine(fresh);
        EXPECT_EQ(engine.Feed(c.bytes), "");
        EXPECT_TRUE(fresh.Executed().empty());
        EXPECT_EQ(engine.LastError(), kFrameNotCarriedOut);
        EXPECT_EQ(engine.Feed(kEnq), "\x60");  // bit 2: not carried out
        EXPECT_EQ(engine.Feed(kQuery), QueryReply(2));
    }
}

TEST_F(EngineTest, DisplayTextKeepsTrailingHexDigits) {
    // Display commands travel without a checksum; text ending in "AB" must not lose it.
    Feed(Frame("2$d\f", false));
    Feed(Frame("2$d\fCENA\r\nSUMA 12AB", false));
    EXPECT_EQ(model.Executed(), (std::vector<std::string>{"2$d\f", "2$d\fCENA\r\nSUMA 12AB"}));
    EXPECT_EQ(engine.LastError(), 0);
    EXPECT_EQ(engine.Observed().family_counts.at("$d"), 2);
}

TEST_F(EngineTest, ErrorQueryAnswersTheLastOtherFrame) {
    model.Refuse("0$e", 17);
    EXPECT_EQ(Feed(kQuery), QueryReply(0));  // nothing carried out yet
    Feed(Frame("0$e"));
    EXPECT_EQ(Feed(kQuery), QueryReply(17));
    EXPECT_EQ(Feed(kQuery), QueryReply(17));  // asking does not change the answer
    EXPECT_EQ(Enq(), "\x60");
    Feed(Frame("1#e"));
    EXPECT_EQ(Feed(kQuery), QueryReply(0));
    EXPECT_EQ(Enq(), "\x64");
    EXPECT_EQ(engine.Observed().family_counts.at("#s"), 4);
    EXPECT_EQ(model.Executed().size(), 2u);  // the queries never reach the model
}

TEST_F(EngineTest, DleAnswerCarriesTheStatusBits) {
    const struct {
        bool busy, paper_out, mechanism;
        char answer;
    } cases[] = {
        {false, false, false, '\x74'},
        {true, false, false, '\x70'},
        {false, true, false, '\x76'},
        {false, false, true, '\x75'},
        {true, true, true, '\x73'},
    };
    for (const auto& c : cases) {
        engine.Faults().busy = c.busy;
        engine.Faults().paper_out = c.paper_out;
        engine.Faults().mechanism_error = c.mechanism;
        EXPECT_EQ(Feed(kDle), std::string(1, c.answer)) << c.busy << c.paper_out << c.mechanism;
    }
}

TEST_F(EngineTest, EnqAnswerCarriesTheModelStateAndTheLastResult) {
    const struct {
        bool fiscal, refused, receipt, last_ok;
        char answer;
    } cases[] = {
        {false, false, false, false, '\x64'},
        {true, false, false, false, '\x6C'},
        {false, true, false, false, '\x60'},
        {false, false, true, false, '\x66'},
        {false, false, false, true, '\x65'},
        {true, false, true, true, '\x6F'},
        {true, true, true, true, '\x6B'},
    };
    model.Refuse("9$z", 5);
    for (const auto& c : cases) {
        model.fiscal = c.fiscal;
        model.receipt = c.receipt;
        model.last_ok = c.last_ok;
        Feed(Frame(c.refused ? "9$z" : "1#e"));
        EXPECT_EQ(Enq(), std::string(1, c.answer)) << c.fiscal << c.refused << c.receipt << c.last_ok;
    }
}

TEST_F(EngineTest, CanCancelsAndDropsAFrameBeingReceived) {
    EXPECT_EQ(Feed(kCan), "");
    EXPECT_EQ(model.cancels, 1);
    // CAN in the middle: the frame is gone, its tail is noise outside a frame.
    EXPECT_EQ(Feed("\x1bP0$e" + kCan + "8E\x1b\\"), "");
    EXPECT_EQ(model.cancels, 2);
    EXPECT_TRUE(model.Executed().empty());
    EXPECT_EQ(engine.Observed().dropped_frames, 1);
    Feed(Frame("0$e"));
    EXPECT_EQ(model.Executed(), std::vector<std::string>{"0$e"});
    EXPECT_EQ(engine.Observed().can_count, 2);
}

TEST_F(EngineTest, IgnoresNoiseOutsideFramesAndControlBytesInsideThem) {
    EXPECT_EQ(Feed("hello\r\n\x1b" "x\\\xff" + kDle), "\x74");
    EXPECT_TRUE(model.Executed().empty());
    // Inside a frame DLE and ENQ are text: no answer, and they reach the model.
    const std::string payload = "0;1$hA\x10" "B\x05\r";
    EXPECT_EQ(Feed(Frame(payload)), "");
    EXPECT_EQ(model.Executed(), std::vector<std::string>{payload});
    EXPECT_EQ(engine.Observed().dle_count, 1);
    EXPECT_EQ(engine.Observed().enq_count, 0);
}

TEST_F(EngineTest, EscInsideAFrame) {
    // ESC 'P' before the end starts over; ESC followed by anything else stays in the text.
    Feed("\x1bP0$hOLD\x1bP" + Checksum("1#e").insert(0, "1#e") + "\x1b\\");
    Feed(Frame("0;1$hA\x1b" "B\r"));
    Feed("\x1bP" + ("0$e\x1b" + Checksum("0$e\x1b")) + "\x1b\\");
    EXPECT_EQ(model.Executed(), (std::vector<std::string>{"1#e", "0;1$hA\x1b" "B\r", "0$e\x1b"}));
    EXPECT_EQ(engine.Observed().dropped_frames, 1);
}

TEST_F(EngineTest, OverlongFrameIsDroppedUpToItsEnd) {
    // The longest frame taken: 4096 bytes between ESC 'P' and ESC '\', checksum included.
    const std::string longest(kMaxFrame - 2, 'A');
    Feed(Frame(longest));
    ASSERT_EQ(model.Executed().size(), 1u);
    EXPECT_EQ(model.Executed()[0], longest);

    const std::string too_long(kMaxFrame + 1, 'B');
    EXPECT_EQ(Feed("\x1bP" + too_long + kDle + "tail\x1b\\"), "");  // DLE is part of the lost frame
    EXPECT_EQ(model.Executed().size(), 1u);
    EXPECT_EQ(engine.LastError(), kFrameNotCarriedOut);
    EXPECT_EQ(engine.Observed().dropped_frames, 1);
    EXPECT_EQ(Feed(kQuery), QueryReply(2));
    Feed(Frame("1#e"));
    EXPECT_EQ(model.Executed().size(), 2u);
}

// Faults, as the engine shows them on the line.
TEST_F(EngineTest, SilenceHoldsBackAnswersButStillCarriesOut) {
    const struct {
        const char* command;
        std::string dle, enq, query;
    } cases[] = {
        {"silent all", "", "", ""},
        {"silent dle", "", "\x64", QueryReply(0)},
        {"silent enq", "\x74", "", QueryReply(0)},
        {"silent query", "\x74", "\x64", ""},
        {"silent off", "\x74", "\x64", QueryReply(0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        engine.Faults() = FaultPlan{};
        ASSERT_TRUE(engine.Faults().Apply(c.command, nullptr));
        EXPECT_EQ(Feed(kDle), c.dle);
        EXPECT_EQ(Feed(kEnq), c.enq);
        EXPECT_EQ(Feed(kQuery), c.query);
    }
    engine.Faults().Apply("silent all", nullptr);
    Feed(Frame("1#e"));
    EXPECT_EQ(model.Executed().size(), 1u);
}

TEST_F(EngineTest, WrongAnswerBytesGarbageAndCutReplies) {
    FaultPlan& faults = engine.Faults();
    faults.dle_answer = 0x7C;
    faults.enq_answer = 0x00;
    EXPECT_EQ(Feed(kDle), "\x7c");
    EXPECT_EQ(Feed(kEnq), std::string(1, '\0'));
    faults = FaultPlan{};
    faults.garbage = "\xff" "A";
    EXPECT_EQ(Feed(kDle), "\xff" "A\x74");
    EXPECT_EQ(Feed(kQuery), "\xff" "A" + QueryReply(0));
    faults = FaultPlan{};
    faults.truncate_query_reply = true;
    EXPECT_EQ(Feed(kQuery), "\x1bP1#X0");
}

TEST_F(EngineTest, InjectedErrorsRefuseCommands) {
    FaultPlan& faults = engine.Faults();
    ASSERT_TRUE(faults.Apply("error 17 next 2", nullptr));
    Feed(Frame("1#e"));  // the start command is not one of the next two
    EXPECT_EQ(engine.LastError(), 0);
    Feed(Frame("0;1$hA\r"));
    EXPECT_EQ(Feed(kQuery), QueryReply(17));
    Feed(Frame("1$lX\r1\rA/1.00/1.00/"));
    EXPECT_EQ(Feed(kQuery), QueryReply(17));
    Feed(Frame("2$lX\r1\rA/1.00/1.00/"));
    EXPECT_EQ(Feed(kQuery), QueryReply(0));
    EXPECT_EQ(model.Executed(), (std::vector<std::string>{"1#e", "2$lX\r1\rA/1.00/1.00/"}));

    ASSERT_TRUE(faults.Apply("error 23 family $l", nullptr));
    Feed(Frame("3$lY\r1\rA/1.00/1.00/"));
    EXPECT_EQ(Feed(kQuery), QueryReply(23));
    Feed(Frame("0$e"));
    EXPECT_EQ(Feed(kQuery), QueryReply(0));
    Feed(Frame("4$lY\r1\rA/1.00/1.00/"));
    EXPECT_EQ(Feed(kQuery), QueryReply(23));
    ASSERT_TRUE(faults.Apply("error off $l", nullptr));
    Feed(Frame("5$lY\r1\rA/1.00/1.00/"));
    EXPECT_EQ(Feed(kQuery), QueryReply(0));
    // A bad checksum stays error 2 whatever is injected.
    faults.Apply("error 30 next 1", nullptr);
    Feed(Frame("0$e", false));
    EXPECT_EQ(engine.LastError(), 2);
    EXPECT_EQ(faults.next_error_count, 1);
}

}  // namespace
}  // namespace tarvik::emu
