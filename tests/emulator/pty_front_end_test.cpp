#include "emulator/pty_front_end.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "fake_fiscal_backend.h"

namespace tarvik::emu {
namespace {

using namespace std::chrono_literals;
using testing::FakeFiscalBackend;
using testing::Frame;
using testing::QueryReply;
using Clock = std::chrono::steady_clock;

// The driver's end of the line.
class Port {
public:
    explicit Port(const std::string& device) : fd_(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Port() { Close(); }
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    void Send(const std::string& bytes) { ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // Up to n bytes, waiting at most `timeout` for them all.
    std::string Read(std::size_t n, std::chrono::milliseconds timeout = 2000ms) {
        std::string got;
        const auto end = Clock::now() + timeout;
        while (got.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
            char buffer[256];
            const ssize_t r = read(fd_, buffer, std::min(sizeof buffer, n - got.size()));
            if (r <= 0) break;
            got.append(buffer, static_cast<std::size_t>(r));
        }
        return got;
    }
    std::string Exchange(const std::string& bytes, std::size_t answer) {
        Send(bytes);
        return Read(answer);
    }

private:
    int fd_;
};

class FrontEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tarvik-emu-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        printer.reset();
        std::system(("rm -rf " + dir).c_str());
    }
    void Start(FrontEndOptions options = {}) {
        auto fake = std::make_unique<FakeFiscalBackend>();
        model = fake.get();
        printer = std::make_unique<PtyFrontEnd>(std::move(fake), std::move(options));
        std::string error;
        ASSERT_TRUE(printer->Start(&error)) << error;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string dir;
    FakeFiscalBackend* model = nullptr;
    std::unique_ptr<PtyFrontEnd> printer;
};

TEST_F(FrontEndTest, TalksOverARawSerialLine) {
    Start();
    Port port(printer->DevicePath());
    ASSERT_TRUE(port.IsOpen());
    termios t{};
    ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_iflag & (ICRNL | IXON));

    model->Refuse("0$e", 17);
    EXPECT_EQ(port.Exchange("\x10", 1), "\x74");
    EXPECT_EQ(port.Exchange(Frame("1#e") + "\x05", 1), "\x64");
    EXPECT_EQ(port.Exchange(Frame("0$e") + "\x1bP0#s\x1b\\", 9), QueryReply(17));
    const Observation seen = printer->Observed();
    EXPECT_EQ(seen.Payloads(), (std::vector<std::string>{"1#e", "0$e", "0#s"}));
    EXPECT_EQ(seen.raw, "\x10" + Frame("1#e") + "\x05" + Frame("0$e") + "\x1bP0#s\x1b\\");
    EXPECT_EQ(printer->PayloadCount("1#e"), 1);
    EXPECT_EQ(printer->FamilyCount("#s"), 1);
    EXPECT_EQ(printer->LastError(), 17);
}

TEST_F(FrontEndTest, SurvivesThePortBeingClosedAndReopened) {
    Start();
    const std::string device = printer->DevicePath();
    {
        Port port(device);
        EXPECT_EQ(port.Exchange(Frame("1#e") + "\x10", 1), "\x74");
    }
    // Nobody holds the slave now. The printer must neither quit nor spin on the hang-up.
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(150ms);
    getrusage(RUSAGE_SELF, &after);
    const auto cpu_us = [](const rusage& r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000L + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
    };
    EXPECT_LT(cpu_us(after) - cpu_us(before), 75000L) << "the printer thread spins while the port is closed";

    Port again(device);
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(again.Exchange(Frame("1#e") + "\x10", 1), "\x74");
    EXPECT_EQ(printer->PayloadCount("1#e"), 2);
    EXPECT_EQ(printer->DevicePath(), device);
}

TEST_F(FrontEndTest, LinkFollowsTheDeviceAndGoesAtStop) {
    const std::string link = dir + "/printer";
    FrontEndOptions options;
    options.link_path = link;
    Start(options);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(target, printer->DevicePath());
    Port port(link);
    EXPECT_EQ(port.Exchange("\x10", 1), "\x74");
    port.Close();
    printer->Stop();
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST_F(FrontEndTest, RefusesToReplaceAFileWithTheLink) {
    const std::string file = dir + "/not-a-link";
    std::ofstream(file) << "keep me";
    FrontEndOptions options;
    options.link_path = file;
    PtyFrontEnd front(std::make_unique<FakeFiscalBackend>(), options);
    std::string error;
    EXPECT_FALSE(front.Start(&error));
    EXPECT_NE(error.find("not a symlink"), std::string::npos);
    EXPECT_EQ(ReadFile(file), "keep me");
}

TEST_F(FrontEndTest, HangUpTakesTheDeviceAwayUntilCleared) {
    const std::string link = dir + "/printer";
    FrontEndOptions options;
    options.link_path = link;
    std::mutex mu;
    std::string announced;
    options.on_device = [&](const std::string& device) {
        std::lock_guard<std::mutex> lock(mu);
        announced = device;
    };
    Start(options);
    Port port(link);
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(printer->Control("hangup on"));
    // The driver's port sees the line drop.
    pollfd p{port.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    for (auto end = Clock::now() + 2s; !printer->DevicePath().empty() && Clock::now() < end;)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(printer->DevicePath(), "");
    port.Close();

    ASSERT_TRUE(printer->Control("hangup off"));
    for (auto end = Clock::now() + 2s; printer->DevicePath().empty() && Clock::now() < end;)
        std::this_thread::sleep_for(1ms);
    const std::string device = printer->DevicePath();
    ASSERT_FALSE(device.empty());
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(target, device);
    for (auto end = Clock::now() + 2s; Clock::now() < end; std::this_thread::sleep_for(1ms)) {
        std::lock_guard<std::mutex> lock(mu);
        if (!announced.empty()) break;
    }
    {
        std::lock_guard<std::mutex> lock(mu);
        EXPECT_EQ(announced, device);
    }
    Port again(link);
    EXPECT_EQ(again.Exchange("\x10", 1), "\x74");
}

TEST_F(FrontEndTest, BaudRatePacesTheAnswers) {
    FrontEndOptions options;
    options.baud = 2400;  // 10 bits a byte: 240 bytes a second
    Start(options);
    printer->Control("garbage 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 51 52 53 54 55 56 57 58 59 5a 61 62 63 64 65 66 67 68 69 6a 6b 6c 6d");
    Port port(printer->DevicePath());
    const auto start = Clock::now();
    const std::string answer = port.Exchange("\x10", 40);
    const auto took = Clock::now() - start;
    ASSERT_EQ(answer.size(), 40u);
    EXPECT_EQ(answer.back(), '\x74');
    EXPECT_GE(took, 140ms);  // 40 bytes at 2400 bit/s: about 167 ms
    EXPECT_LT(took, 1000ms);
}

TEST_F(FrontEndTest, ByteDelayFaultSlowsEveryByte) {
    Start();
    printer->Control("delay 40");
    printer->Control("garbage 41 42");
    Port port(printer->DevicePath());
    const auto start = Clock::now();
    EXPECT_EQ(port.Exchange("\x10", 3), "AB\x74");
    EXPECT_GE(Clock::now() - start, 115ms);  // three bytes, 40 ms each
    printer->Control("clear");
    const auto again = Clock::now();
    EXPECT_EQ(port.Exchange("\x10", 1), "\x74");
    EXPECT_LT(Clock::now() - again, 100ms);
}

TEST_F(FrontEndTest, KeepsPaperJournalAndWireLog) {
    FrontEndOptions options;
    options.journal_path = dir + "/journal.txt";
    options.wire_log_path = dir + "/wire.log";
    std::mutex mu;
    std::string watched;
    options.on_paper = [&](const std::string& paper) {
        std::lock_guard<std::mutex> lock(mu);
        watched += paper;
    };
    Start(options);
    Port port(printer->DevicePath());
    port.Send(Frame("0;1$hSKLEP\r") + Frame("1;0;0;0;0;1$e   \r0/1.00/"));
    ASSERT_TRUE(printer->WaitFor([](const Observation& seen) { return seen.frames.size() == 2; }, 2000ms));
    EXPECT_EQ(port.Exchange("\x05", 1), "\x64");  // also makes sure the paper went out
    const std::string paper = "0;1$hSKLEP\r\n1;0;0;0;0;1$e   \r0/1.00/\n";
    EXPECT_EQ(printer->Paper(), paper);
    {
        std::lock_guard<std::mutex> lock(mu);
        EXPECT_EQ(watched, paper);
    }
    EXPECT_EQ(printer->Documents(), std::vector<std::string>{paper});
    printer->Stop();

    const std::string journal = ReadFile(dir + "/journal.txt");
    EXPECT_EQ(journal.rfind("==== ", 0), 0u) << journal;
    EXPECT_NE(journal.find(" ====\n" + paper), std::string::npos) << journal;
    const std::string log = ReadFile(dir + "/wire.log");
    EXPECT_NE(log.find(" RX 1B 50 30 3B 31 24 68 "), std::string::npos) << log;
    EXPECT_NE(log.find(" RX 05 "), std::string::npos) << log;
    EXPECT_NE(log.find(" TX 64 "), std::string::npos) << log;
    EXPECT_NE(log.find(" -- line open on /dev/"), std::string::npos) << log;
}

}  // namespace
}  // namespace tarvik::emu
