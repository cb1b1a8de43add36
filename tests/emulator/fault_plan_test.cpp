#include "emulator/fault_plan.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvik::emu {
namespace {

TEST(FaultPlan, CommandsSetTheirFaults) {
    FaultPlan plan;
    std::string message;
    for (const char* line : {"silent dle", "silent query", "dle-answer 0x7C", "enq-answer 00", "garbage 41 0x1b ff",
                             "truncate on", "delay 25", "busy on", "paper-out on", "mechanism on", "hangup on",
                             "error 17 next 3", "ERROR 23 FAMILY $l", "error -1 family #e"}) {
        EXPECT_TRUE(plan.Apply(line, &message)) << line << ": " << message;
    }
    EXPECT_TRUE(plan.silent_dle);
    EXPECT_FALSE(plan.silent_enq);
    EXPECT_TRUE(plan.silent_query);
    EXPECT_EQ(plan.dle_answer, std::optional<std::uint8_t>(0x7C));
    EXPECT_EQ(plan.enq_answer, std::optional<std::uint8_t>(0x00));
    EXPECT_EQ(plan.garbage, "A\x1b\xff");
    EXPECT_TRUE(plan.truncate_query_reply);
    EXPECT_EQ(plan.byte_delay_ms, 25);
    EXPECT_TRUE(plan.busy && plan.paper_out && plan.mechanism_error && plan.hangup);
    EXPECT_EQ(plan.next_error, 17);
    EXPECT_EQ(plan.next_error_count, 3);
    EXPECT_EQ(plan.family_errors, (std::map<std::string, int>{{"$l", 23}, {"#e", -1}}));

    for (const char* line : {"silent off", "dle-answer off", "enq-answer off", "garbage off", "truncate off",
                             "delay 0", "busy off", "paper-out off", "mechanism off", "hangup off", "error off"}) {
        EXPECT_TRUE(plan.Apply(line, &message)) << line;
    }
    EXPECT_EQ(plan.Describe(), "no faults\n");
}

TEST(FaultPlan, RefusesWhatItDoesNotUnderstand) {
    for (const char* line : {"", "bogus", "silent", "silent everything", "dle-answer 100", "dle-answer zz",
                             "garbage", "garbage 1 2 xyz", "delay -1", "delay soon", "busy yes", "error 5",
                             "error 5 next 0", "error x next 1", "error 5 family l", "error 5 family $lx",
                             "clear now"}) {
        FaultPlan plan;
        std::string message;
        EXPECT_FALSE(plan.Apply(line, &message)) << line;
        EXPECT_FALSE(message.empty()) << line;
        EXPECT_EQ(plan.Describe(), "no faults\n") << line;
    }
}

TEST(FaultPlan, DescribeReadsBackAsTheSamePlan) {
    FaultPlan plan;
    for (const char* line : {"silent enq", "enq-answer 6c", "garbage 00 10", "delay 3", "paper-out on",
                             "error 9 next 2", "error 40 family $e"})
        ASSERT_TRUE(plan.Apply(line, nullptr)) << line;
    FaultPlan copy;
    std::istringstream lines(plan.Describe());
    for (std::string line; std::getline(lines, line);) ASSERT_TRUE(copy.Apply(line, nullptr)) << line;
    EXPECT_EQ(copy.Describe(), plan.Describe());
    std::string message;
    ASSERT_TRUE(plan.Apply("status", &message));
    EXPECT_EQ(message, plan.Describe());
    ASSERT_TRUE(plan.Apply("clear", nullptr));
    EXPECT_EQ(plan.Describe(), "no faults\n");
}

TEST(FaultPlan, NextErrorsAreUsedUpBeforeFamilyErrors) {
    FaultPlan plan;
    plan.Apply("error 3 next 1", nullptr);
    plan.Apply("error 8 family $l", nullptr);
    EXPECT_EQ(plan.TakeInjectedError("#e"), std::nullopt);  // the start command passes
    EXPECT_EQ(plan.TakeInjectedError("$l"), 3);
    EXPECT_EQ(plan.TakeInjectedError("$l"), 8);
    EXPECT_EQ(plan.TakeInjectedError("$h"), std::nullopt);
}

}  // namespace
}  // namespace tarvik::emu
