// Reading payloads from the printer's side: the command split, amounts and the quantity text.
#include "emulator/model/payload.h"

#include <gtest/gtest.h>

namespace tarvik::emu {
namespace {

TEST(SplitCommand, ReadsParametersCodeAndRest) {
    struct Case {
        std::string payload;
        std::vector<long> params;
        std::string code;
        std::string rest;
    };
    const Case cases[] = {
        {"1#e", {1}, "#e", ""},
        {"0$h", {0}, "$h", ""},
        {"#r", {}, "#r", ""},
        {"0;1$h#123\r", {0, 1}, "$h", "#123\r"},   // a '#' in the text is no second code
        {"08;10;01;08;10;31#o", {8, 10, 1, 8, 10, 31}, "#o", ""},
        {"-1$l1\r", {-1}, "$l", "1\r"},            // a pack line sent with no receipt counted
        {"2$d\f", {2}, "$d", "\f"},
    };
    for (const Case& c : cases) {
        const auto command = SplitCommand(c.payload);
        ASSERT_TRUE(command) << c.payload;
        EXPECT_EQ(command->params, c.params) << c.payload;
        EXPECT_EQ(command->code, c.code) << c.payload;
        EXPECT_EQ(command->rest, c.rest) << c.payload;
    }
}

TEST(SplitCommand, RefusesWhatIsNoCommand) {
    for (const std::string payload : {"", "abc", "1;2", "$", "1;;2$h", "1;$h", "x1$h", "1 $h",
                                      "1234567890$h"}) {
        EXPECT_FALSE(SplitCommand(payload)) << payload;
    }
}

TEST(ParseMoney, ReadsAmountsInGrosze) {
    const std::pair<std::string, std::int64_t> cases[] = {
        {"12.50", 1250}, {"0", 0},          {"0.00", 0},          {"-5.00", -500},
        {"7.5", 750},    {"0.005", 1},      {"0.0049", 0},        {"99999999.99", 9999999999},
        {"12", 1200},    {"999999999999", 99999999999900},
    };
    for (const auto& [text, grosze] : cases) {
        const auto amount = ParseMoney(text);
        ASSERT_TRUE(amount) << text;
        EXPECT_EQ(*amount, grosze) << text;
    }
    for (const std::string text : {"", "-", ".5", "5.", "1,50", "1.2.3", " 1.00", "1e3", "abc",
                                   "1000000000000", "1.123456789"}) {
        EXPECT_FALSE(ParseMoney(text)) << text;
    }
}

// The quantity texts the driver builds, with the number's decimal point in the eighth place and
// the unit in the thirteenth.
TEST(ParseQuantity, ReadsTheDriversQuantityTexts) {
    struct Case {
        std::string text;
        std::int64_t units;
        std::string unit;
    };
    const Case cases[] = {
        {"      1.0", 10000, ""},
        {"      1.0   szt", 10000, "szt"},
        {"      0.125 kg", 1250, "kg"},
        {"    100.0   op", 1000000, "op"},
        {"      1.2346", 12346, ""},
        {"      3.1416m", 31416, "m"},
        {"12345678.5  szt", 123456785000, "szt"},
        {"99999999.99 szt", 999999999900, "szt"},
        {"     10.0000szt", 100000, "szt"},
        {"87654321.0100", 876543210100, ""},
        {"2", 20000, ""},   // a pack's quantity
        {"      1.0   \x92\x86", 10000, "\x92\x86"},   // Mazovia letters in the unit
    };
    for (const Case& c : cases) {
        const auto quantity = ParseQuantity(c.text);
        ASSERT_TRUE(quantity) << c.text;
        EXPECT_EQ(quantity->units, c.units) << c.text;
        EXPECT_EQ(quantity->unit, c.unit) << c.text;
    }
    for (const std::string text : {"", "   ", "szt", "1.", "1.23456", "1.0 litry", "1.0 k g",
                                   "1234567890", "-1.0"}) {
        EXPECT_FALSE(ParseQuantity(text)) << text;
    }
}

TEST(LineValue, RoundsHalfUpToTheGrosz) {
    EXPECT_EQ(LineValue(25000, 199), 498);      // 2.5 x 1.99 = 4.975
    EXPECT_EQ(LineValue(1250, 399), 50);        // 0.125 x 3.99 = 0.49875
    EXPECT_EQ(LineValue(10000, 350), 350);
    // The largest quantity at the largest price stays exact.
    EXPECT_EQ(LineValue(999999999900, 9999999999), 999999999800000000);
}

TEST(FieldReader, WalksFieldsAndReportsMissingEnds) {
    FieldReader fields("Anna\r12\rP/0.50/");
    EXPECT_EQ(fields.Until('\r'), "Anna");
    EXPECT_EQ(fields.Until('\r'), "12");
    EXPECT_EQ(fields.Byte(), 'P');
    EXPECT_EQ(fields.Byte(), '/');
    EXPECT_EQ(fields.Until('/'), "0.50");
    EXPECT_TRUE(fields.AtEnd());
    EXPECT_FALSE(fields.Until('/'));
    EXPECT_FALSE(fields.Byte());
}

}  // namespace
}  // namespace tarvik::emu
