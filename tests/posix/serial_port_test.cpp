#include "platform/posix/posix_platform.h"
#include "platform/posix/serial_port_posix.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace tarvik::posix {
namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(SerialDevicePathTest, MapsPortNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"com10", "/dev/ttyS9"},
        {"\\\\.\\COM3", "/dev/ttyS2"},
        {"\\\\.\\cOm2", "/dev/ttyS1"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"COM0", ""},
        {"COM01", ""},
        {"COM", ""},
        {"COM1x", ""},
        {"COM-1", ""},
        {"COM4294967297", ""},
        {"\\\\.\\", ""},
        {"\\\\?\\COM1", ""},
        {"LPT1", ""},
        {"ttyS0", ""},
        {"", ""},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(SerialDevicePath(name), path) << name;
}

// A pseudo-terminal: the port is its slave side, the test plays the device on the master side
// and keeps a slave descriptor of its own to look at the terminal's settings.
class SerialPortTest : public testing::Test {
protected:
    void SetUp() override {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        path_ = ::ptsname(master_);
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave_, 0);
        struct termios t {};
        ASSERT_EQ(::tcgetattr(slave_, &t), 0);
        ::cfmakeraw(&t);
        ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &t), 0);
    }

    void TearDown() override {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }

    struct termios SlaveTermios() {
        struct termios t {};
        EXPECT_EQ(::tcgetattr(slave_, &t), 0);
        return t;
    }

    // The port configured the way the driver does it: its default settings, NUL bytes kept.
    std::unique_ptr<SerialPort> OpenConfigured() {
        auto port = platform_.OpenSerial(path_);
        if (!port) return port;
        LineSettings settings;
        EXPECT_TRUE(port->GetDefaultLineSettings(&settings));
        settings.Flags &= ~line_flags::Null;
        settings.XonLim = settings.XoffLim = 128;
        EXPECT_TRUE(port->SetLineSettings(settings));
        return port;
    }

    void MasterWrite(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    // What the master receives: the bytes expected, and whatever else follows them at once.
    std::string MasterRead(std::size_t want) {
        std::string got;
        auto start = Clock::now();
        for (;;) {
            bool extra = got.size() >= want;
            if (!extra && MillisecondsSince(start) > 2000) break;
            struct pollfd p = {master_, POLLIN, 0};
            if (::poll(&p, 1, extra ? 20 : 100) <= 0) {
                if (extra) break;
                continue;
            }
            char buffer[256];
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, std::size_t(n));
        }
        return got;
    }

    // Waits until the slave has this many bytes of input queued.
    void AwaitInput(int count) {
        int queued = 0;
        auto start = Clock::now();
        while (MillisecondsSince(start) < 2000 && ::ioctl(slave_, TIOCINQ, &queued) == 0 && queued < count) {
            ::poll(nullptr, 0, 1);
        }
        ASSERT_EQ(queued, count);
    }

    PosixPlatform platform_;
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

TEST_F(SerialPortTest, OpensADevicePathAndNothingElse) {
    EXPECT_NE(platform_.OpenSerial(path_), nullptr);
    EXPECT_EQ(platform_.OpenSerial("LPT1"), nullptr);
    EXPECT_EQ(platform_.OpenSerial("/dev/tarvik-no-such-port"), nullptr);
    test::TempDir dir;
    test::WriteFile(dir.File("plain"), "x");
    EXPECT_EQ(platform_.OpenSerial(dir.File("plain")), nullptr) << "a plain file is no serial port";
}

TEST_F(SerialPortTest, ExclusiveWhileOpenAndFreeAfterClose) {
    auto first = platform_.OpenSerial(path_);
    ASSERT_NE(first, nullptr);
    int exclusive = 0;
    ASSERT_EQ(::ioctl(slave_, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    EXPECT_EQ(platform_.OpenSerial(path_), nullptr);

    first.reset();
    ASSERT_EQ(::ioctl(slave_, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "closing must clear exclusivity";
    EXPECT_NE(platform_.OpenSerial(path_), nullptr);
}

TEST_F(SerialPortTest, RawModePassesEveryByteUnchanged) {
    // Start from a cooked terminal, as a port is usually found (without XON/XOFF flow control,
    // which the port keeps and which would take DC1 and DC3 out of the data).
    struct termios cooked = SlaveTermios();
    cooked.c_iflag |= ICRNL | INLCR;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ECHO | ICANON | ISIG | IEXTEN;
    cooked.c_cc[VMIN] = 1;
    ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &cooked), 0);

    auto port = OpenConfigured();
    ASSERT_NE(port, nullptr);
    CommTimeouts timeouts;
    timeouts.ReadTotalConstant = 1000;
    ASSERT_TRUE(port->SetTimeouts(timeouts));

    const std::string in("A\r\nB\0C\x03\x04\x11\x13\x1b\\\x7f", 13);
    MasterWrite(in);
    std::string got;
    for (std::size_t i = 0; i < in.size(); ++i) {
        uint8_t byte = 0;
        uint32_t count = 0;
        ASSERT_TRUE(port->ReadByte(&byte, &count));
        ASSERT_EQ(count, 1u) << "byte " << i;
        got += char(byte);
    }
    EXPECT_EQ(got, in);

    const std::string out("x\r\n\0y\n", 6);
    uint32_t written = 0;
    ASSERT_TRUE(port->Write(reinterpret_cast<const uint8_t*>(out.data()), uint32_t(out.size()), &written));
    EXPECT_EQ(written, out.size());
    EXPECT_EQ(MasterRead(out.size()), out) << "nothing translated, nothing echoed";
}

TEST_F(SerialPortTest, LineSettingsMapToTheTerminalAndSetBackRestoresItExactly) {
    struct termios found = SlaveTermios();
    found.c_iflag |= ICRNL | IXON | IXOFF;
    found.c_oflag |= OPOST | ONLCR;
    found.c_lflag |= ECHO | ICANON;
    found.c_cflag |= CRTSCTS;
    found.c_cc[VSTART] = 0x12;
    found.c_cc[VMIN] = 1;
    ::cfsetspeed(&found, B4800);
    ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &found), 0);
    found = SlaveTermios();

    auto port = platform_.OpenSerial(path_);
    ASSERT_NE(port, nullptr);
    LineSettings saved;
    ASSERT_TRUE(port->GetLineSettings(&saved));
    EXPECT_EQ(saved.BaudRate, 4800u);
    EXPECT_EQ(saved.ByteSize, 8);
    EXPECT_EQ(saved.Parity, 0);
    EXPECT_EQ(saved.StopBits, 0);
    EXPECT_EQ(saved.XonChar, 0x12);
    const uint32_t flow = line_flags::OutX | line_flags::InX | line_flags::OutxCtsFlow;
    EXPECT_EQ(saved.Flags & flow, flow);
    EXPECT_EQ(saved.Flags & line_flags::RtsControlMask, line_flags::RtsHandshake);

    LineSettings changed = saved;
    changed.BaudRate = 19200;
    changed.Flags &= ~(flow | line_flags::RtsControlMask);
    ASSERT_TRUE(port->SetLineSettings(changed));
    struct termios now = SlaveTermios();
    EXPECT_EQ(::cfgetospeed(&now), speed_t(B19200));
    EXPECT_EQ(now.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(now.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(now.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_EQ(now.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));

    // Settings the line cannot take are refused (a pseudo-terminal keeps only 8 bits, no parity).
    LineSettings unusable = changed;
    unusable.BaudRate = 12345;
    EXPECT_FALSE(port->SetLineSettings(unusable));
    unusable = changed;
    unusable.ByteSize = 7;
    unusable.Parity = 2;
    EXPECT_FALSE(port->SetLineSettings(unusable));

    ASSERT_TRUE(port->SetLineSettings(saved));
    now = SlaveTermios();
    EXPECT_EQ(now.c_iflag, found.c_iflag);
    EXPECT_EQ(now.c_oflag, found.c_oflag);
    EXPECT_EQ(now.c_cflag, found.c_cflag);
    EXPECT_EQ(now.c_lflag, found.c_lflag);
    EXPECT_EQ(std::memcmp(now.c_cc, found.c_cc, sizeof now.c_cc), 0);
    EXPECT_EQ(::cfgetispeed(&now), ::cfgetispeed(&found));

    LineSettings defaults;
    ASSERT_TRUE(port->GetDefaultLineSettings(&defaults));
    EXPECT_EQ(defaults.BaudRate, 4800u) << "the configuration the port had when opened";
}

TEST_F(SerialPortTest, ReadWaitsTheTotalTimeOutOrReturnsAtOnce) {
    auto port = OpenConfigured();
    ASSERT_NE(port, nullptr);
    uint8_t byte = 0;
    uint32_t count = 7;

    CommTimeouts timeouts;
    timeouts.ReadInterval = 400;
    timeouts.ReadTotalMultiplier = 10;
    timeouts.ReadTotalConstant = 40;
    ASSERT_TRUE(port->SetTimeouts(timeouts));
    auto start = Clock::now();
    ASSERT_TRUE(port->ReadByte(&byte, &count));
    long waited = MillisecondsSince(start);
    EXPECT_EQ(count, 0u);
    EXPECT_GE(waited, 45);
    EXPECT_LT(waited, 1000);

    timeouts = CommTimeouts{};
    timeouts.ReadInterval = 0xFFFFFFFF;
    ASSERT_TRUE(port->SetTimeouts(timeouts));
    count = 7;
    start = Clock::now();
    ASSERT_TRUE(port->ReadByte(&byte, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_LT(MillisecondsSince(start), 40);
}

TEST_F(SerialPortTest, ReadDeliversAByteAndAHangUpIsAnError) {
    auto port = OpenConfigured();
    ASSERT_NE(port, nullptr);
    CommTimeouts timeouts;
    timeouts.ReadTotalConstant = 2000;
    ASSERT_TRUE(port->SetTimeouts(timeouts));

    MasterWrite("Z");
    uint8_t byte = 0;
    uint32_t count = 0;
    ASSERT_TRUE(port->ReadByte(&byte, &count));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(byte, 'Z');

    ::close(master_);
    master_ = -1;
    auto start = Clock::now();
    EXPECT_FALSE(port->ReadByte(&byte, &count));
    EXPECT_LT(MillisecondsSince(start), 1000) << "a hang-up is no time-out";
}

TEST_F(SerialPortTest, WriteSendsEverythingOrStopsAtItsTimeOut) {
    auto port = OpenConfigured();
    ASSERT_NE(port, nullptr);
    CommTimeouts timeouts;
    timeouts.WriteTotalConstant = 50;
    ASSERT_TRUE(port->SetTimeouts(timeouts));

    uint32_t written = 0;
    ASSERT_TRUE(port->Write(reinterpret_cast<const uint8_t*>("abc"), 3, &written));
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(MasterRead(3), "abc");

    // Nobody reads the other end: the terminal's buffer fills and the write runs out of time.
    std::vector<uint8_t> lots(1 << 20, 'a');
    auto start = Clock::now();
    ASSERT_TRUE(port->Write(lots.data(), uint32_t(lots.size()), &written));
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, lots.size());
    EXPECT_GE(MillisecondsSince(start), 45);
}

TEST_F(SerialPortTest, PurgeThrowsAwayReceivedInput) {
    auto port = OpenConfigured();
    ASSERT_NE(port, nullptr);
    CommTimeouts timeouts;
    timeouts.ReadInterval = 0xFFFFFFFF;
    ASSERT_TRUE(port->SetTimeouts(timeouts));

    MasterWrite("xyz");
    AwaitInput(3);
    EXPECT_TRUE(port->Purge(purge::RxAbort | purge::RxClear));
    uint8_t byte = 0;
    uint32_t count = 7;
    ASSERT_TRUE(port->ReadByte(&byte, &count));
    EXPECT_EQ(count, 0u);

    MasterWrite("k");
    AwaitInput(1);
    EXPECT_TRUE(port->Purge(purge::TxAbort | purge::TxClear));
    ASSERT_TRUE(port->ReadByte(&byte, &count));
    EXPECT_EQ(count, 1u) << "purging output leaves input alone";
}

TEST_F(SerialPortTest, PurgeAfterAWriteKeepsWhatWasWritten) {
    // The driver purges both queues before every transmission; a frame written just before must
    // still reach the other side even if it has not read it yet.
    auto port = OpenConfigured();
    ASSERT_NE(port, nullptr);
    uint32_t written = 0;
    ASSERT_TRUE(port->Write(reinterpret_cast<const uint8_t*>("1#e"), 3, &written));
    EXPECT_TRUE(port->Purge(purge::TxClear | purge::RxClear));
    ASSERT_TRUE(port->Write(reinterpret_cast<const uint8_t*>("\x05"), 1, &written));
    EXPECT_EQ(MasterRead(4), "1#e\x05");
}

}  // namespace
}  // namespace tarvik::posix
