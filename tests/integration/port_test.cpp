// Opening, holding and letting go of the virtual printer's port.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

#include "tests/integration/printer_fixture.h"

namespace tarvik::integration {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class PortTest : public PrinterTest {
protected:
    uint32_t word = 0;
};

TEST_F(PortTest, StartCommandOncePerOpeningAndReopenAfterRelease) {
    Load();
    ASSERT_EQ(driver->GetStatus(&word), 0);
    ASSERT_EQ(driver->GetStatus(&word), 0);
    EXPECT_EQ(printer->PayloadCount("1#e"), 1);
    ASSERT_EQ(driver->ReleasePort(), 0);
    ASSERT_EQ(driver->ReleasePort(), 0);

    // Released, the port is free for anyone, and the printer sees the start command again.
    const int fd = open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
    ASSERT_EQ(driver->GetStatus(&word), 0);
    EXPECT_EQ(printer->PayloadCount("1#e"), 2);
}

TEST_F(PortTest, APortHeldByAnotherProcessCannotBeOpened) {
    const int fd = open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    Load();
    EXPECT_EQ(driver->GetStatus(&word), 8);
    EXPECT_EQ(word, 0x04520100u);
    EXPECT_EQ(driver->GetStatus(&word), 5);  // no new attempt until the port is released
    close(fd);
    EXPECT_EQ(driver->GetStatus(&word), 5);
    ASSERT_EQ(driver->ReleasePort(), 0);
    EXPECT_EQ(driver->GetStatus(&word), 0);
}

TEST_F(PortTest, TheDriverHoldsThePortExclusively) {
    Load();
    ASSERT_EQ(driver->GetStatus(&word), 0);
    const int fd = open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {  // root may open past the exclusive flag, but not past the lock
        EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);
        close(fd);
    }
    DriverLibrary second(Marbel());
    ASSERT_TRUE(second.Loaded()) << second.Error();
    uint32_t other = 0;
    EXPECT_EQ(second.GetStatus(&other), 8);
}

TEST_F(PortTest, ANonexistentPortThenAConfiguredOne) {
    SetPort("/dev/tarvik-no-such-port");
    Load(Ostryk());
    EXPECT_EQ(driver->GetStatus(&word), 8);
    EXPECT_EQ(driver->GetStatus(&word), 9);  // Ostryk sends no DLE: the start command finds no port
    SetPort(LinkPath());
    EXPECT_EQ(driver->GetStatus(&word), 9);  // the settings are read again only after a release
    ASSERT_EQ(driver->ReleasePort(), 0);
    EXPECT_EQ(driver->GetStatus(&word), 0);
}

TEST_F(PortTest, PortSettingsAreRestoredOnRelease) {
    const int fd = open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(fd, &before), 0);
    before.c_lflag |= ECHO | ICANON;  // a state the driver must not leave behind in raw mode
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &before), 0);
    close(fd);
    Load();
    ASSERT_EQ(driver->GetStatus(&word), 0);
    ASSERT_EQ(driver->ReleasePort(), 0);
    const int again = open(LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(again, 0);
    termios after{};
    ASSERT_EQ(tcgetattr(again, &after), 0);
    close(again);
    EXPECT_EQ(after.c_lflag & (ECHO | ICANON), before.c_lflag & (ECHO | ICANON));
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
}

TEST_F(PortTest, AHungUpLineFailsUntilReleasedThenTheNewDeviceWorks) {
    Load();
    ASSERT_EQ(driver->GetStatus(&word), 0);
    Fault("hangup on");
    AwaitDevice(false);
    EXPECT_EQ(driver->GetStatus(&word), 5);
    EXPECT_EQ(word & 0x100u, 0x100u);
    Fault("hangup off");
    AwaitDevice(true);
    ASSERT_EQ(driver->ReleasePort(), 0);
    EXPECT_EQ(driver->GetStatus(&word), 0);
}

// The one test that waits out real time-outs: a printer that answers nothing costs five read
// attempts of 2004 ms and five pauses of 200 ms, then result 5.
TEST_F(PortTest, ASilentPrinter) {
    Fault("silent all");
    Load();
    const auto start = steady_clock::now();
    EXPECT_EQ(driver->GetStatus(&word), 5);
    const auto elapsed = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
    EXPECT_EQ(word, 0x04520100u);
    EXPECT_GE(elapsed, milliseconds(5 * 2204 - 100));
    EXPECT_LT(elapsed, milliseconds(5 * 2204 + 3000));
    EXPECT_EQ(printer->Observed().dle_count, 1);
}

}  // namespace
}  // namespace tarvik::integration
