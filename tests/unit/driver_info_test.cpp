#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "driver_fixture.h"
#include "services/driver_info.h"

namespace tarvik::testing {
namespace {

class DriverInfoTest : public DriverTest {
protected:
    // Calls with a version buffer of the given length, prefilled so that every written byte shows.
    int32_t Version(int32_t length, std::string* buffer) {
        buffer->assign(64, '#');
        return DriverInfo(D(), 0, nullptr, length, buffer->data(), 0, nullptr);
    }
};

TEST_F(DriverInfoTest, VersionTextWithinTheBuffer) {
    struct Case {
        int32_t length;
        std::string written;  // exactly the bytes written, zero bytes included
        int32_t result;
    };
    const Case cases[] = {
        {20, std::string("1.4.2.35") + std::string(12, '\0'), 8},
        {9, std::string("1.4.2.35\0", 9), 8},
        {8, "1.4.2.35", 8},
        {5, "1.4.2", 5},
        {3, "1.4", 3},
        {1, "1", 1},
    };
    for (const Case& c : cases) {
        std::string buffer;
        EXPECT_EQ(Version(c.length, &buffer), c.result) << c.length;
        EXPECT_EQ(buffer.substr(0, c.written.size()), c.written) << c.length;
        EXPECT_EQ(buffer[c.written.size()], '#') << "written past " << c.length;
    }
}

TEST_F(DriverInfoTest, UnreadableVersionLeavesTheConstant) {
    os.VersionReadable = false;
    std::string buffer;
    EXPECT_EQ(Version(10, &buffer), 0);
    EXPECT_EQ(buffer.substr(0, 11), std::string("1.4.0.1\0\0\0#", 11));
    EXPECT_EQ(Version(4, &buffer), 0);
    EXPECT_EQ(buffer.substr(0, 5), "1.4.#");
}

TEST_F(DriverInfoTest, LongVersionNumbers) {
    os.VersionMs = (10u << 16) | 0;
    os.VersionLs = (12345u << 16) | 7;
    std::string buffer;
    EXPECT_EQ(Version(64, &buffer), 12);
    EXPECT_STREQ(buffer.c_str(), "10.0.12345.7");
    os.VersionMs = 0xFFFFFFFF;
    os.VersionLs = 0xFFFFFFFF;
    EXPECT_EQ(Version(64, &buffer), 23);
    EXPECT_STREQ(buffer.c_str(), "65535.65535.65535.65535");
    EXPECT_EQ(Version(7, &buffer), 7);
    EXPECT_EQ(buffer.substr(0, 8), "65535.6#");
}

TEST_F(DriverInfoTest, DescriptionAndShortName) {
    char description[32];
    char shortName[3];
    std::memset(description, '#', sizeof description);
    std::memset(shortName, '#', sizeof shortName);
    EXPECT_EQ(DriverInfo(D(), 20, description, 0, nullptr, 2, shortName), 0);
    EXPECT_EQ(std::string(description, 21), std::string("Sterownik testowy\0\0\0#", 21));
    EXPECT_EQ(std::string(shortName, 3), "Te#");
    EXPECT_EQ(os.TraceLines.back(), "FP_DRIVERINFO");
}

TEST_F(DriverInfoTest, NegativeLengthsAndNullBuffersWriteNothing) {
    std::string buffer(16, '#');
    char shortName[8] = "#######";
    EXPECT_EQ(DriverInfo(D(), -5, buffer.data(), -1, buffer.data(), -300, shortName), 0);
    EXPECT_EQ(buffer, std::string(16, '#'));
    EXPECT_STREQ(shortName, "#######");
    EXPECT_EQ(DriverInfo(D(), 16, nullptr, 16, nullptr, 8, nullptr), 0);
}

}  // namespace
}  // namespace tarvik::testing
