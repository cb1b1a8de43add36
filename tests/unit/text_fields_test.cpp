#include "core/text_fields.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tarvik {
namespace {

using namespace std::string_literals;

constexpr char kUntouched = '\x7E';

// Only allocation matters here; it can be refused and it counts what is still held.
class AllocationPlatform : public Platform {
public:
    std::unique_ptr<SerialPort> OpenSerial(const std::string&) override { return nullptr; }
    bool QueryRegistryValue(Hive, const std::string&, const std::string&, uint32_t*, uint8_t*, uint32_t*) override {
        return false;
    }
    void Trace(const std::string&) override {}
    void Sleep(uint32_t) override {}
    bool FileVersion(uint32_t*, uint32_t*) override { return false; }
    void* Allocate(std::size_t size) override {
        ++allocations;
        if (refuse) return nullptr;
        ++held;
        return Platform::Allocate(size);
    }
    void Release(void* block) override {
        if (block != nullptr) --held;
        Platform::Release(block);
    }

    bool refuse = false;
    int allocations = 0;
    int held = 0;
};

// A buffer whose bytes beyond what an operation may write can be checked afterwards.
std::vector<char> Sentinel(std::size_t size = 64) { return std::vector<char>(size, kUntouched); }

TEST(BoundedLength, FollowsLimitAndZeroByte) {
    const char fourNoZero[4] = {'a', 'b', 'c', 'd'};
    struct Case {
        const char* text;
        int limit;
        int expected;
    } cases[] = {
        {nullptr, 5, 0}, {"abc", -3, -3}, {"abc", 0, 0}, {"ab\0cd", 5, 2}, {"abcdef", 4, 4}, {fourNoZero, 4, 4},
    };
    for (const Case& c : cases) EXPECT_EQ(BoundedLength(c.text, c.limit), c.expected) << c.limit;
}

TEST(ToPrinterText, ConvertsPolishLettersOnly) {
    const std::string windows = "\xAF\xF3\xB3\xE6";  // the word Zolc with its Polish letters
    std::vector<char> out = Sentinel();
    ASSERT_EQ(ToPrinterText(4, out.data(), windows.data()), 0);
    EXPECT_EQ(std::string(out.data(), 4), "\xA1\xA2\x92\x8D");
    EXPECT_EQ(out[4], kUntouched) << "no zero byte is added";

    const uint8_t letters[][2] = {
        {0xB9, 0x86}, {0xE6, 0x8D}, {0xEA, 0x91}, {0xB3, 0x92}, {0xF1, 0xA4}, {0xF3, 0xA2},
        {0x9C, 0x9E}, {0xBF, 0xA7}, {0x9F, 0xA6}, {0xA5, 0x8F}, {0xC6, 0x95}, {0xCA, 0x90},
        {0xA3, 0x9C}, {0xD1, 0xA5}, {0xD3, 0xA3}, {0x8C, 0x98}, {0xAF, 0xA1}, {0x8F, 0xA0},
    };
    uint8_t expected[256];
    for (int b = 0; b < 256; ++b) expected[b] = static_cast<uint8_t>(b);
    for (const auto& letter : letters) expected[letter[0]] = letter[1];
    char all[256];
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    char converted[256];
    ASSERT_EQ(ToPrinterText(256, converted, all), 0);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(static_cast<uint8_t>(converted[b]), expected[b]) << "byte " << b;
        EXPECT_EQ(ToPrinterByte(static_cast<uint8_t>(b)), expected[b]) << "byte " << b;
    }
}

TEST(ToPrinterText, RefusesMissingBuffersAndZeroCountAndIgnoresNegativeCount) {
    std::vector<char> out = Sentinel();
    EXPECT_EQ(ToPrinterText(0, out.data(), "abc"), 9);
    EXPECT_EQ(ToPrinterText(3, nullptr, "abc"), 9);
    EXPECT_EQ(ToPrinterText(3, out.data(), nullptr), 9);
    EXPECT_EQ(ToPrinterText(-2, out.data(), "abc"), 0);
    EXPECT_EQ(out, Sentinel()) << "nothing may be written";
}

TEST(FormatTextField, BuildsSpaceFilledAndCrEndedFields) {
    struct Case {
        const char* name;
        int length;
        int width;
        const char* text;
        bool crEnded;
        std::string expected;  // the bytes the field owns, zero byte included
    } cases[] = {
        {"zero byte ends the text", 10, 20, "ABC\0EFGHIJ", false, "ABC" + std::string(17, ' ') + "\0"s},
        {"short unit", 2, 4, "kg", true, "kg\r\0"s},
        {"long unit is cut", 5, 4, "litry", true, "litr\r\0"s},
        {"exact width", 4, 4, "sztk", false, "sztk\0"s},
        {"null text, spaces", 7, 6, nullptr, false, "      \0"s},
        {"null text, CR alone", 7, 6, nullptr, true, "\r\0"s},
        {"empty text, CR alone", 0, 6, "abc", true, "\r\0"s},
        {"negative length is empty", -1, 3, "abc", false, "   \0"s},
        {"negative length is empty, CR", -5, 3, "abc", true, "\r\0"s},
        {"Polish letter converted", 2, 3, "\xA3\xF3", false, "\x9C\xA2 \0"s},
    };
    for (const Case& c : cases) {
        std::vector<char> out = Sentinel();
        EXPECT_EQ(FormatTextField(c.length, c.width, out.data(), c.text, c.crEnded), 0) << c.name;
        EXPECT_EQ(std::string(out.data(), c.expected.size()), c.expected) << c.name;
        std::size_t owned = static_cast<std::size_t>(c.width) + (c.crEnded ? 2 : 1);
        for (std::size_t i = owned; i < out.size(); ++i) ASSERT_EQ(out[i], kUntouched) << c.name << " byte " << i;
    }
}

TEST(FormatNameField, AlwaysFortyCharactersAndCr) {
    const std::string fifty = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
    struct Case {
        const char* name;
        int length;
        const char* text;
        std::string expected;
    } cases[] = {
        {"long name is cut", 50, fifty.c_str(), fifty.substr(0, 40) + "\r\0"s},
        {"empty name", 0, "x", std::string(40, ' ') + "\r\0"s},
        {"null name", 3, nullptr, std::string(40, ' ') + "\r\0"s},
        {"negative length", -40, "abc", std::string(40, ' ') + "\r\0"s},
        {"short Polish name", 4, "\x8C" "liw", "\x98liw" + std::string(36, ' ') + "\r\0"s},
    };
    for (const Case& c : cases) {
        std::vector<char> out = Sentinel();
        EXPECT_EQ(FormatNameField(c.length, out.data(), c.text), 0) << c.name;
        EXPECT_EQ(std::string(out.data(), 42), c.expected) << c.name;
        EXPECT_EQ(out[42], kUntouched) << c.name;
    }
}

struct AmountCase {
    const char* text;
    int length;  // -100: the whole text
    int maxChars;
    int result;
    double value;
};

ResultCode Parse(const AmountCase& c, char* work, double* value) {
    int length = c.length == -100 ? static_cast<int>(std::strlen(c.text)) : c.length;
    return ParseAmount(length, c.text, c.maxChars, work, value);
}

TEST(ParseAmount, ReadsCommaOrPointAndRefusesTheRest) {
    const AmountCase cases[] = {
        {"12,50", -100, 11, 0, 12.5},
        {" 7", -100, 11, 0, 7},
        {"1,234.50", -100, 11, 0, 1.234},  // the second point ends the number
        {"-2,5", -100, 11, 0, -2.5},
        {"+3", -100, 11, 0, 3},
        {"12abc", -100, 11, 0, 12},
        {"1,5e+2", -100, 11, 0, 150},
        {"12,5", 2, 11, 0, 12},  // the length ends the text
        {"1234567890", -100, 10, 0, 1234567890},
        {"12345678901", -100, 10, 1, 0},  // too long before any reading
        {"abc", -100, 11, 1, 0},
        {"", -100, 11, 1, 0},
        {"7", -1, 11, 1, 0},
        {nullptr, 5, 11, 1, 0},
        {"inf", -100, 11, 1, 0},
        {"-infinity", -100, 11, 1, 0},
        {"nan", -100, 11, 1, 0},
        {"1e999", -100, 11, 1, 0},
    };
    for (const AmountCase& c : cases) {
        char work[32];
        double value = -77.0;
        EXPECT_EQ(Parse(c, work, &value), c.result) << (c.text ? c.text : "(null)");
        EXPECT_EQ(value, c.result == 0 ? c.value : -77.0) << (c.text ? c.text : "(null)");
    }
}

TEST(ParseAmount, KeepsTheCopyWithPointsInTheWorkBuffer) {
    char work[16];
    double value = 0;
    EXPECT_EQ(ParseAmount(3, "a,b", 11, work, &value), 1);
    EXPECT_STREQ(work, "a.b");
}

// The C locale's strtod is the reference ("%lf" reads the same numbers): hexadecimal numbers,
// exponents, signs, white space, and the longest number at the start. NaN and the infinities are
// the only numbers it reads that the driver refuses.
TEST(ParseAmount, MatchesStrtodInTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const char* inputs[] = {
        "0",       "-0",      "007",    ".5",      "5.",          ".",           "-.5",       "1e3",
        "1e",      "1e+",     "2E-2x",  "\t\n 3",  "+-5",         "- 5",         "--5",       "0x1p3",
        "0X1.8",   "0x.8p1",  "0x1p",   "0x",      "0xg",         "-0x10",       "0x-1",      "0xinf",
        "0x.p1",   "-0x",     "1e-400", "4e-320",  "0x1p-2000",   "1e308",       "1.8e308",   "INF",
        "nan(1)",  "e5",      "0.1",    "+.e1",    "1234567.891", "99999999.995",
    };
    for (const char* input : inputs) {
        char* end = nullptr;
        double expected = std::strtod(input, &end);
        bool accepted = end != input && std::isfinite(expected);
        char work[32];
        double value = -77.0;
        ResultCode result = ParseAmount(static_cast<int>(std::strlen(input)), input, 20, work, &value);
        EXPECT_EQ(result, accepted ? 0 : 1) << input;
        if (accepted) {
            EXPECT_EQ(value, expected) << input;
            EXPECT_EQ(std::signbit(value), std::signbit(expected)) << input;
        }
    }
}

TEST(FormatAmount, WritesAsPrintfInTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const double values[] = {0,      -0.0,       12.5,          0.125,      0.375,              2.675, 1.005,  -1.005,
                             0.005,  0.015,      -0.001,        999999.995, 123456789.125,      1e15 + 0.5,
                             4503599627370497.5, 1e300, -1e-300};
    for (double value : values) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "%.2f", value);
        char text[400];
        EXPECT_EQ(FormatAmount(value, text, sizeof text), static_cast<int>(std::strlen(expected))) << expected;
        EXPECT_STREQ(text, expected);
    }
}

TEST(FormatAmount, CutsLikeSnprintf) {
    std::vector<char> out = Sentinel(8);
    EXPECT_EQ(FormatAmount(12.5, out.data(), 4), 5);
    EXPECT_EQ(std::string(out.data(), 5), "12.\0~"s);
    out = Sentinel(8);
    EXPECT_EQ(FormatAmount(12.5, out.data(), 0), 5);
    EXPECT_EQ(out, Sentinel(8));
}

// Switches LC_NUMERIC to a locale with a decimal comma, as a host may do, and back to "C". An
// installed Polish or German locale serves; without one, a locale that only defines the numbers is
// made with localedef in a temporary folder (a few milliseconds).
class DecimalCommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"pl_PL.UTF-8", "pl_PL.utf8", "pl_PL", "de_DE.UTF-8", "de_DE.utf8"}) {
            if (Switch(name)) return;
        }
        if (MakeOwnLocale() && Switch("xx_XX")) return;
        GTEST_SKIP() << "no locale with a decimal comma could be installed or made";
    }

    void TearDown() override {
        std::setlocale(LC_NUMERIC, "C");
        if (!folder_.empty()) {
            unsetenv("LOCPATH");
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

private:
    static bool Switch(const char* name) {
        if (std::setlocale(LC_NUMERIC, name) == nullptr) return false;
        if (std::string(std::localeconv()->decimal_point) == ",") return true;
        std::setlocale(LC_NUMERIC, "C");
        return false;
    }

    bool MakeOwnLocale() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-locale-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return false;
        folder_ = pattern;
        std::ofstream(folder_ / "comma.def") << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3\n"
                                                "END LC_NUMERIC\n";
        // localedef warns about the categories left out and exits with 1; the numbers are there.
        std::string command = "localedef -c -f ANSI_X3.4-1968 -i '" + (folder_ / "comma.def").string() + "' '" +
                              (folder_ / "xx_XX").string() + "' >/dev/null 2>&1";
        int status = std::system(command.c_str());
        (void)status;
        if (!std::filesystem::exists(folder_ / "xx_XX" / "LC_NUMERIC")) return false;
        return setenv("LOCPATH", folder_.c_str(), 1) == 0;
    }

    std::filesystem::path folder_;
};

TEST_F(DecimalCommaLocale, AmountsKeepThePoint) {
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 12.5);
    ASSERT_STREQ(printed, "12,50") << "the host's locale is not in force";

    struct Case {
        const char* text;
        double value;
    } cases[] = {{"12,50", 12.5}, {"1,234.50", 1.234}, {"3.25", 3.25}, {" -0,5e1", -5}};
    for (const Case& c : cases) {
        char work[32];
        double value = 0;
        EXPECT_EQ(ParseAmount(static_cast<int>(std::strlen(c.text)), c.text, 11, work, &value), 0) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }

    char text[32];
    FormatAmount(12.5, text, sizeof text);
    EXPECT_STREQ(text, "12.50");
    FormatAmount(-1234.567, text, sizeof text);
    EXPECT_STREQ(text, "-1234.57");
}

struct DateCase {
    const char* text;
    int result;
    int day, month, year;
};

TEST(ParseDate, ReadsDayMonthYearAsPercentD) {
    const DateCase cases[] = {
        {"31/12/1999", 0, 31, 12, 1999},
        {"31/2/2000", 0, 31, 2, 2000},  // the length of the month is not checked
        {"1/1/1950", 0, 1, 1, 1950},
        {"1/12/2049", 0, 1, 12, 2049},
        {"1/1/1949", 1, 0, 0, 0},
        {"1/1/2050", 1, 0, 0, 0},
        {"0/1/2000", 1, 0, 0, 0},
        {"32/1/2000", 1, 0, 0, 0},
        {"1/0/2000", 1, 0, 0, 0},
        {"1/13/2000", 1, 0, 0, 0},
        {" 5/ 6/ 2000", 0, 5, 6, 2000},  // white space after a slash is skipped
        {"5 /6/2000", 1, 0, 0, 0},                // but not before one
        {"5/6 /2000", 1, 0, 0, 0},
        {"+5/+6/+2000", 0, 5, 6, 2000},
        {"-5/6/2000", 1, 0, 0, 0},
        {"05/06/2000 and more", 0, 5, 6, 2000},
        {"5/6", 1, 0, 0, 0},
        {"5-6-2000", 1, 0, 0, 0},
        {"5/6/", 1, 0, 0, 0},
        {"", 1, 0, 0, 0},
        {"99999999999/1/2000", 1, 0, 0, 0},
        {"1/1/-99999999999999999999", 1, 0, 0, 0},
    };
    for (const DateCase& c : cases) {
        AllocationPlatform platform;
        int day = -1, month = -1, year = -1;
        EXPECT_EQ(ParseDate(platform, static_cast<int>(std::strlen(c.text)), c.text, &day, &month, &year), c.result)
            << c.text;
        if (c.result == 0) {
            EXPECT_EQ(day, c.day) << c.text;
            EXPECT_EQ(month, c.month) << c.text;
            EXPECT_EQ(year, c.year) << c.text;
        }
        EXPECT_EQ(platform.held, 0) << c.text;
    }
}

TEST(ParseDate, HonoursLengthAndRefusesAbsentText) {
    AllocationPlatform platform;
    int day = 0, month = 0, year = 0;
    EXPECT_EQ(ParseDate(platform, 7, "12/11/2000", &day, &month, &year), 1) << "the year is cut to 2";
    EXPECT_EQ(year, 2);
    EXPECT_EQ(ParseDate(platform, 10, nullptr, &day, &month, &year), 1);
    EXPECT_EQ(ParseDate(platform, -10, "12/11/2000", &day, &month, &year), 1);
    EXPECT_EQ(ParseDate(platform, 0, "12/11/2000", &day, &month, &year), 1);
    EXPECT_EQ(platform.allocations, 1) << "absent and empty texts need no copy";
    EXPECT_EQ(platform.held, 0);
}

TEST(ParseDate, RefusedCopyGivesNine) {
    AllocationPlatform platform;
    platform.refuse = true;
    int day = 0, month = 0, year = 0;
    EXPECT_EQ(ParseDate(platform, 10, "12/11/2000", &day, &month, &year), 9);
    EXPECT_EQ(platform.allocations, 1);
}

}  // namespace
}  // namespace tarvik
