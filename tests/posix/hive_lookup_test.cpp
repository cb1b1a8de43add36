#include "platform/posix/hive_files.h"
#include "platform/posix/posix_platform.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace tarvik::posix {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

const char kKey[] = "Software\\Korvan\\Tarvik";

std::string Export(const std::string& root, const std::string& port) {
    return "Windows Registry Editor Version 5.00\r\n\r\n[" + root + "\\Software\\Korvan\\Tarvik]\r\n\"Port\"=\"" + port +
           "\"\r\n";
}

class HiveLookupTest : public testing::Test {
protected:
    // The port name a hive holds, or "(none)".
    std::string Port(Hive hive) {
        uint8_t data[1024];
        uint32_t size = sizeof data;
        uint32_t type = 0;
        if (!platform_.QueryRegistryValue(hive, kKey, "Port", &type, data, &size)) return "(none)";
        EXPECT_EQ(type, 1u);
        EXPECT_GT(size, 0u);
        EXPECT_EQ(data[size - 1], 0) << "string data keeps its terminating zero";
        return std::string(reinterpret_cast<char*>(data), size - 1);
    }

    TempDir dir_;
    ScopedEnv user_{"TARVIK_USER_REG", dir_.File("user.reg")};
    ScopedEnv machine_{"TARVIK_MACHINE_REG", dir_.File("machine.reg")};
    PosixPlatform platform_;
};

TEST_F(HiveLookupTest, EachHiveReadsItsOwnFileUnderItsOwnRoot) {
    // The per-user file also holds a per-machine key: that one must not count anywhere.
    WriteFile(dir_.File("user.reg"), Export("HKEY_CURRENT_USER", "COM1") + Export("HKEY_LOCAL_MACHINE", "COM9"));
    EXPECT_EQ(Port(Hive::CurrentUser), "COM1");
    EXPECT_EQ(Port(Hive::LocalMachine), "(none)");

    WriteFile(dir_.File("machine.reg"), Export("HKEY_LOCAL_MACHINE", "COM2") + Export("HKEY_CURRENT_USER", "COM8"));
    EXPECT_EQ(Port(Hive::LocalMachine), "COM2");
    EXPECT_EQ(Port(Hive::CurrentUser), "COM1");
}

TEST_F(HiveLookupTest, DataMustFitTheCapacity) {
    WriteFile(dir_.File("user.reg"), Export("HKEY_CURRENT_USER", "COM1"));
    uint8_t data[8] = {};
    uint32_t type = 0;
    uint32_t size = 4;  // "COM1" without room for its zero
    EXPECT_FALSE(platform_.QueryRegistryValue(Hive::CurrentUser, kKey, "Port", &type, data, &size));
    size = 5;
    ASSERT_TRUE(platform_.QueryRegistryValue(Hive::CurrentUser, kKey, "Port", &type, data, &size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), std::string("COM1", 5));
}

TEST_F(HiveLookupTest, MissingOrUnreadableFileIsAnEmptyHive) {
    EXPECT_EQ(Port(Hive::CurrentUser), "(none)");
    ::mkdir(dir_.File("user.reg").c_str(), 0700);  // a directory where the file should be
    EXPECT_EQ(Port(Hive::CurrentUser), "(none)");
}

TEST_F(HiveLookupTest, AnEditTakesEffectAtTheNextLookup) {
    WriteFile(dir_.File("machine.reg"), Export("HKEY_LOCAL_MACHINE", "COM1"));
    EXPECT_EQ(Port(Hive::LocalMachine), "COM1");
    WriteFile(dir_.File("machine.reg"), Export("HKEY_LOCAL_MACHINE", "/dev/ttyUSB0"));
    EXPECT_EQ(Port(Hive::LocalMachine), "/dev/ttyUSB0");
}

TEST_F(HiveLookupTest, DefaultFilesFollowXdgConfigHomeThenHome) {
    user_.Set(std::nullopt);
    machine_.Set("");
    EXPECT_EQ(HiveFilePath(Hive::LocalMachine), "/etc/tarvik/machine.reg");

    ::mkdir(dir_.File("xdg").c_str(), 0700);
    ::mkdir(dir_.File("xdg/tarvik").c_str(), 0700);
    WriteFile(dir_.File("xdg/tarvik/user.reg"), Export("HKEY_CURRENT_USER", "COM3"));
    ::mkdir(dir_.File("home").c_str(), 0700);
    ::mkdir(dir_.File("home/.config").c_str(), 0700);
    ::mkdir(dir_.File("home/.config/tarvik").c_str(), 0700);
    WriteFile(dir_.File("home/.config/tarvik/user.reg"), Export("HKEY_CURRENT_USER", "COM4"));

    ScopedEnv home("HOME", dir_.File("home"));
    ScopedEnv xdg("XDG_CONFIG_HOME", dir_.File("xdg"));
    EXPECT_EQ(Port(Hive::CurrentUser), "COM3");
    xdg.Set(std::nullopt);
    EXPECT_EQ(Port(Hive::CurrentUser), "COM4");
    home.Set(std::nullopt);
    EXPECT_EQ(Port(Hive::CurrentUser), "(none)");
}

}  // namespace
}  // namespace tarvik::posix
