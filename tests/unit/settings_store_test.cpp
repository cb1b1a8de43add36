#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/exception.h"
#include "core/readiness.h"
#include "core/settings_store.h"
#include "driver_fixture.h"

namespace tarvik::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kKey = "Software\\Korvan\\Tarvik";

class SettingsTest : public ::testing::Test {
protected:
    std::string Setting(const char* name, const char* fallback = "") {
        return ReadSetting(os, name, fallback, kKey);
    }
    ResultCode Load() { return LoadPortSettings(os, link); }

    FakePlatform os;
    SerialLink link{os, 0};
};

TEST_F(SettingsTest, UseCuDecidesWhichHiveComesFirst) {
    struct Case {
        const char* useCu;  // null: absent
        const char* user;
        const char* machine;
        const char* expected;  // null: Exception
    };
    const Case cases[] = {
        {nullptr, "COM1", "COM2", "COM1"},
        {"", "COM1", "COM2", "COM1"},
        {"1", "COM1", "COM2", "COM1"},
        {"1", "", "COM2", "COM2"},
        {"0", "COM1", "COM2", "COM2"},
        {"0", "COM1", nullptr, nullptr},
        {" 1", "COM1", "COM2", "COM2"},
        {nullptr, nullptr, "COM3", "COM3"},
        {nullptr, "", "", nullptr},
    };
    for (const Case& c : cases) {
        FakePlatform fresh;
        if (c.useCu) fresh.SetString(Hive::LocalMachine, kKey, "UseCU", c.useCu);
        if (c.user) fresh.SetString(Hive::CurrentUser, kKey, "Port", c.user);
        if (c.machine) fresh.SetString(Hive::LocalMachine, kKey, "Port", c.machine);
        const std::string label = std::string("UseCU=") + (c.useCu ? c.useCu : "(none)");
        if (c.expected) {
            EXPECT_EQ(ReadSetting(fresh, "Port", "", kKey), c.expected) << label;
        } else {
            EXPECT_THROW(ReadSetting(fresh, "Port", "", kKey), Exception) << label;
        }
    }
}

TEST_F(SettingsTest, UseCuIsNeverReadFromTheUserHive) {
    os.SetString(Hive::CurrentUser, kKey, "UseCU", "0");
    os.SetString(Hive::CurrentUser, kKey, "Port", "COM1");
    os.SetString(Hive::LocalMachine, kKey, "Port", "COM2");
    EXPECT_EQ(Setting("Port"), "COM1");
}

TEST_F(SettingsTest, EveryValueFoundWritesOneTraceLine) {
    os.SetString(Hive::CurrentUser, kKey, "Port", "COM1");
    EXPECT_EQ(Setting("Port"), "COM1");
    EXPECT_THAT(os.TraceLines, ElementsAre("name: Port=>COM1"));

    os.TraceLines.clear();
    os.SetString(Hive::LocalMachine, kKey, "UseCU", "0");
    os.SetString(Hive::LocalMachine, kKey, "Port", "COM2");
    EXPECT_EQ(Setting("Port"), "COM2");
    EXPECT_THAT(os.TraceLines, ElementsAre("name: UseCU=>0", "name: Port=>COM1", "name: Port=>COM2"));
}

TEST_F(SettingsTest, ValueTypesAndSizes) {
    struct Case {
        uint32_t type;
        std::vector<uint8_t> data;
        const char* expected;
    };
    const auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    const Case cases[] = {
        {reg_type::Sz, bytes(std::string("COM4\0", 5)), "COM4"},
        {reg_type::ExpandSz, bytes(std::string("%PORT%\0", 7)), "%PORT%"},  // not expanded
        {reg_type::MultiSz, bytes(std::string("COM2\0COM3\0\0", 11)), "COM2"},
        {reg_type::Sz, bytes("COM5"), "COM5"},                 // no zero byte: the reported size ends it
        {reg_type::Dword, {1, 0, 0, 0}, ""},
        {reg_type::Binary, bytes(std::string("COM1\0", 5)), ""},
        {reg_type::Sz, bytes(std::string(1024, 'A')), nullptr},  // 1024 bytes fit
        {reg_type::Sz, bytes(std::string(1025, 'A')), ""},       // one more does not
    };
    for (const Case& c : cases) {
        FakePlatform fresh;
        fresh.SetValue(Hive::CurrentUser, kKey, "Port", c.type, c.data);
        const std::string text = ReadRegistryString(fresh, Hive::CurrentUser, "Port", kKey);
        EXPECT_EQ(text, c.expected ? std::string(c.expected) : std::string(1024, 'A')) << "type " << c.type;
        EXPECT_EQ(fresh.TraceLines.size(), text.empty() ? 0u : 1u);
    }
}

TEST_F(SettingsTest, DefaultsAndMissingValues) {
    EXPECT_EQ(Setting("Flow", "XON/XOFF"), "XON/XOFF");
    EXPECT_THAT(os.TraceLines, IsEmpty());
    EXPECT_THROW(Setting("Port"), Exception);
}

TEST_F(SettingsTest, PortSettingsAreLoadedOncePerInitialisation) {
    os.SetString(Hive::CurrentUser, kKey, "Port", "\\\\.\\COM10");
    os.SetString(Hive::CurrentUser, kKey, "Flow", "Hardware");
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(link.PortName, "\\\\.\\COM10");  // used in full, never cut to another port
    EXPECT_EQ(link.FlowChar, 'H');
    EXPECT_EQ(link.SettingsLoaded, 1);
    os.SetString(Hive::CurrentUser, kKey, "Port", "COM2");
    os.TraceLines.clear();
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(link.PortName, "\\\\.\\COM10");
    EXPECT_THAT(os.TraceLines, IsEmpty());
}

TEST_F(SettingsTest, PortNamesUpTo255CharactersAreUsed) {
    const std::string longest = "/dev/" + std::string(250, 'p');
    os.SetString(Hive::CurrentUser, kKey, "Port", longest);
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(link.PortName, longest);
    link.SettingsLoaded = 0;
    os.SetString(Hive::CurrentUser, kKey, "Port", longest + "p");
    EXPECT_EQ(Load(), 9);
    EXPECT_EQ(link.PortName, "");
    EXPECT_EQ(link.SettingsLoaded, 0);
}

TEST_F(SettingsTest, AFailedLoadIsRetriedAtTheNextReadinessCheck) {
    Driver driver(os, IdentityFor(0));
    EXPECT_EQ(EnsureReady(driver), 9);
    EXPECT_EQ(os.Opens, 0);
    os.SetPort("COM1");
    EXPECT_EQ(EnsureReady(driver), 0);
    EXPECT_EQ(os.Opens, 1);
}

TEST_F(SettingsTest, ANewPortTakesEffectAfterRelease) {
    os.ExistingPorts = {"COM1", "COM2"};
    os.SetPort("COM1");
    Driver driver(os, IdentityFor(0));
    ASSERT_EQ(EnsureReady(driver), 0);
    os.SetPort("COM2");
    ASSERT_EQ(EnsureReady(driver), 0);
    EXPECT_EQ(driver.Link.PortName, "COM1");
    driver.Link.ReleasePort();
    ASSERT_EQ(EnsureReady(driver), 0);
    EXPECT_EQ(driver.Link.PortName, "COM2");
}

}  // namespace
}  // namespace tarvik::testing
