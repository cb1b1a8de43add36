#include "emulator/wire_log.h"

#include <gtest/gtest.h>

namespace tarvik::emu {
namespace {

TEST(WireLog, ShowsHexAndTextSixteenBytesALine) {
    const std::string bytes = std::string("\x1bP1#e88\x1b\\") + "0123456789AB";  // 21 bytes
    const std::string text = WireLog::Format(std::chrono::system_clock::now(), "RX", bytes);
    const std::size_t first_end = text.find('\n');
    ASSERT_NE(first_end, std::string::npos);
    const std::string first = text.substr(0, first_end);
    const std::string second = text.substr(first_end + 1);
    EXPECT_NE(first.find(" RX 1B 50 31 23 65 38 38 1B 5C 30 31 32 33 34 35 36 |.P1#e88.\\0123456|"),
              std::string::npos)
        << first;
    EXPECT_NE(second.find(" RX 37 38 39 41 42 "), std::string::npos) << second;
    EXPECT_NE(second.find("|789AB|\n"), std::string::npos) << second;
    // Both lines carry the same time, and the columns line up.
    EXPECT_EQ(first.substr(0, 23), second.substr(0, 23));
    EXPECT_EQ(first.find('|'), second.find('|'));
}

}  // namespace
}  // namespace tarvik::emu
