// The settings lookup rule on real .reg files, read through the Linux platform as the deliverables
// read them.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/readiness.h"
#include "core/serial_link.h"
#include "core/settings_store.h"
#include "platform/posix/posix_platform.h"

namespace tarvik::testing {
namespace {

using ::testing::ElementsAre;

// The platform's trace goes to a file; the test reads it back.
class RegFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarvik-reg-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        setenv("TARVIK_USER_REG", (dir_ + "/user.reg").c_str(), 1);
        setenv("TARVIK_MACHINE_REG", (dir_ + "/machine.reg").c_str(), 1);
        setenv("TARVIK_TRACE", (dir_ + "/trace.log").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TARVIK_USER_REG");
        unsetenv("TARVIK_MACHINE_REG");
        unsetenv("TARVIK_TRACE");
        for (const char* name : {"/user.reg", "/machine.reg", "/trace.log"}) std::remove((dir_ + name).c_str());
        std::remove(dir_.c_str());
    }
    void Write(const char* file, const std::string& text) {
        std::ofstream(dir_ + "/" + file, std::ios::binary) << text;
    }
    // A hive file in the regedit export format holding the given value lines.
    static std::string Hive(const char* root, const std::string& values) {
        return "Windows Registry Editor Version 5.00\r\n\r\n[" + std::string(root) +
               "\\Software\\Korvan\\Tarvik]\r\n" + values + "\r\n";
    }
    std::vector<std::string> TraceLines() {
        std::ifstream in(dir_ + "/trace.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    ResultCode Load() { return LoadPortSettings(os_, link_); }

    std::string dir_;
    PosixPlatform os_;
    SerialLink link_{os_, 0};
};

TEST_F(RegFilesTest, PortInBothHivesWithoutUseCu) {
    Write("user.reg", Hive("HKEY_CURRENT_USER", "\"Port\"=\"COM1\""));
    Write("machine.reg", Hive("HKEY_LOCAL_MACHINE", "\"Port\"=\"COM2\""));
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(link_.PortName, "COM1");
    EXPECT_EQ(link_.FlowChar, 'X');  // the default XON/XOFF
    EXPECT_THAT(TraceLines(), ElementsAre("name: Port=>COM1"));
}

TEST_F(RegFilesTest, UseCuZeroIgnoresTheUserValueButTracesIt) {
    Write("user.reg", Hive("HKEY_CURRENT_USER", "\"Port\"=\"COM1\""));
    Write("machine.reg", Hive("HKEY_LOCAL_MACHINE", "\"UseCU\"=\"0\"\r\n\"Port\"=\"/dev/ttyUSB0\""));
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(link_.PortName, "/dev/ttyUSB0");
    EXPECT_EQ(TraceLines().at(1), "name: Port=>COM1");

    link_.SettingsLoaded = 0;
    Write("machine.reg", Hive("HKEY_LOCAL_MACHINE", "\"UseCU\"=\"0\""));
    EXPECT_EQ(Load(), 9);
    EXPECT_EQ(link_.PortName, "");
}

TEST_F(RegFilesTest, UseCuOneAndAnEmptyUserValue) {
    Write("user.reg", Hive("HKEY_CURRENT_USER", "\"Port\"=\"\"\r\n\"Flow\"=\"Hardware\""));
    Write("machine.reg", Hive("HKEY_LOCAL_MACHINE", "\"UseCU\"=\"1\"\r\n\"Port\"=\"COM3\""));
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(link_.PortName, "COM3");
    EXPECT_EQ(link_.FlowChar, 'H');
}

TEST_F(RegFilesTest, UseCuInTheUserHiveDoesNotCount) {
    Write("user.reg", Hive("HKEY_CURRENT_USER", "\"UseCU\"=\"0\"\r\n\"Port\"=\"COM1\""));
    Write("machine.reg", Hive("HKEY_LOCAL_MACHINE", "\"Port\"=\"COM2\""));
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(link_.PortName, "COM1");
}

TEST_F(RegFilesTest, ValueForms) {
    struct Case {
        std::string line;
        const char* port;  // null: not configured
    };
    const Case cases[] = {
        {"\"Port\"=dword:00000001", nullptr},
        {"\"Port\"=hex(7):43,00,4f,00,4d,00,32,00,00,00,43,00,4f,00,4d,00,33,00,00,00,00,00", "COM2"},
        {"\"Port\"=hex(2):25,00,50,00,25,00,00,00", "%P%"},
        {"\"Port\"=hex:43,4f,4d,31,00", nullptr},
        {"\"port\"=\"\\\\\\\\.\\\\COM10\"", "\\\\.\\COM10"},  // names compare without case; escapes
    };
    for (const Case& c : cases) {
        Write("user.reg", Hive("HKEY_CURRENT_USER", c.line));
        link_.SettingsLoaded = 0;
        if (c.port) {
            EXPECT_EQ(Load(), 0) << c.line;
            EXPECT_EQ(link_.PortName, c.port) << c.line;
        } else {
            EXPECT_EQ(Load(), 9) << c.line;
        }
    }
}

TEST_F(RegFilesTest, AMalformedFileCountsAsFarAsItCouldBeRead) {
    Write("user.reg", Hive("HKEY_CURRENT_USER", "\"Port\"=\"COM4\"\r\n\"Flow\"=hex:4,zz,\\\r\n") + "\x01\xff[[[\"");
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(link_.PortName, "COM4");
}

}  // namespace
}  // namespace tarvik::testing
