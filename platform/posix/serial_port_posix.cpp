#include "platform/posix/serial_port_posix.h"

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::posix {
namespace {

constexpr uint32_t kMaxDword = 0xFFFFFFFFu;

// DTR and RTS control values at their places in LineSettings::Flags.
constexpr uint32_t kDtrControlEnable = 0x0010;
constexpr uint32_t kRtsControlEnable = 0x1000;

struct SpeedEntry {
    uint32_t baud;
    speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

uint32_t BaudOf(speed_t code) {
    for (const auto& s : kSpeeds) {
        if (s.code == code) return s.baud;
    }
    return 0;
}

bool SpeedOf(uint32_t baud, speed_t* code) {
    for (const auto& s : kSpeeds) {
        if (s.baud == baud) {
            *code = s.code;
            return true;
        }
    }
    return false;
}

bool SameSettings(const LineSettings& a, const LineSettings& b) {
    return a.Length == b.Length && a.BaudRate == b.BaudRate && a.Flags == b.Flags && a.XonLim == b.XonLim &&
           a.XoffLim == b.XoffLim && a.ByteSize == b.ByteSize && a.Parity == b.Parity &&
           a.StopBits == b.StopBits && a.XonChar == b.XonChar && a.XoffChar == b.XoffChar &&
           a.ErrorChar == b.ErrorChar && a.EofChar == b.EofChar && a.EvtChar == b.EvtChar;
}

// The line settings a terminal configuration stands for. Fields without a terminal counterpart
// (queue limits, error, end and event characters, DSR flow) read as zero.
LineSettings ToLineSettings(const struct termios& t) {
    LineSettings s;
    s.BaudRate = BaudOf(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5: s.ByteSize = 5; break;
        case CS6: s.ByteSize = 6; break;
        case CS7: s.ByteSize = 7; break;
        default: s.ByteSize = 8; break;
    }
    if (t.c_cflag & PARENB) {
        bool odd = (t.c_cflag & PARODD) != 0;
        if (t.c_cflag & CMSPAR) {
            s.Parity = odd ? 3 : 4;
        } else {
            s.Parity = odd ? 1 : 2;
        }
    }
    if (t.c_cflag & CSTOPB) s.StopBits = s.ByteSize == 5 ? 1 : 2;
    s.Flags = line_flags::Binary | kDtrControlEnable;
    if (t.c_iflag & INPCK) s.Flags |= line_flags::Parity;
    if (t.c_cflag & CRTSCTS) {
        s.Flags |= line_flags::OutxCtsFlow | line_flags::RtsHandshake;
    } else {
        s.Flags |= kRtsControlEnable;
    }
    if (t.c_iflag & IXON) s.Flags |= line_flags::OutX;
    if (t.c_iflag & IXOFF) s.Flags |= line_flags::InX;
    s.XonChar = char(t.c_cc[VSTART]);
    s.XoffChar = char(t.c_cc[VSTOP]);
    return s;
}

// The terminal configuration for line settings, in raw mode: bytes pass both ways unchanged (no
// echo, no line editing, no CR/LF translation, no output processing, NUL bytes kept) and a read
// returns at once with what is there; the time-outs are kept by poll. False for settings the
// terminal cannot take.
bool ApplyLineSettings(const LineSettings& s, struct termios* t) {
    speed_t speed;
    if (!SpeedOf(s.BaudRate, &speed)) return false;
    tcflag_t size;
    switch (s.ByteSize) {
        case 5: size = CS5; break;
        case 6: size = CS6; break;
        case 7: size = CS7; break;
        case 8: size = CS8; break;
        default: return false;
    }
    tcflag_t parity;
    switch (s.Parity) {
        case 0: parity = 0; break;
        case 1: parity = PARENB | PARODD; break;
        case 2: parity = PARENB; break;
        case 3: parity = PARENB | PARODD | CMSPAR; break;
        case 4: parity = PARENB | CMSPAR; break;
        default: return false;
    }
    tcflag_t stop;
    switch (s.StopBits) {
        case 0: stop = 0; break;
        case 1:
            if (s.ByteSize != 5) return false;  // one and a half stop bits exist only with five data bits
            stop = CSTOPB;
            break;
        case 2: stop = CSTOPB; break;
        default: return false;
    }

    t->c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                            IMAXBEL | IUCLC | INPCK | IGNPAR);
    if (s.Flags & line_flags::Parity) t->c_iflag |= INPCK;
    if (s.Flags & line_flags::OutX) t->c_iflag |= IXON;
    if (s.Flags & line_flags::InX) t->c_iflag |= IXOFF;
    t->c_oflag &= ~tcflag_t(OPOST);
    t->c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE | ICANON | ISIG | IEXTEN |
                            NOFLSH | TOSTOP | XCASE);
    t->c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t->c_cflag |= size | parity | stop | CLOCAL | CREAD;
    bool hardwareFlow = (s.Flags & line_flags::OutxCtsFlow) != 0 ||
                        (s.Flags & line_flags::RtsControlMask) == line_flags::RtsHandshake;
    if (hardwareFlow) t->c_cflag |= CRTSCTS;
    t->c_cc[VSTART] = cc_t(s.XonChar);
    t->c_cc[VSTOP] = cc_t(s.XoffChar);
    t->c_cc[VMIN] = 0;
    t->c_cc[VTIME] = 0;
    cfsetispeed(t, speed);
    cfsetospeed(t, speed);
    return true;
}

bool SameTermios(const struct termios& a, const struct termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 && cfgetispeed(&a) == cfgetispeed(&b) &&
           cfgetospeed(&a) == cfgetospeed(&b);
}

// Speed, framing and hardware flow control, the part of a configuration a device may refuse.
bool SameLine(const struct termios& a, const struct termios& b) {
    constexpr tcflag_t kLine = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    return (a.c_cflag & kLine) == (b.c_cflag & kLine) && cfgetispeed(&a) == cfgetispeed(&b) &&
           cfgetospeed(&a) == cfgetospeed(&b);
}

// A point in time after which a wait ends, or none.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    static Deadline Never() { return Deadline(); }
    static Deadline After(uint64_t milliseconds) {
        Deadline d;
        d.limited_ = true;
        d.at_ = Clock::now() + std::chrono::milliseconds(milliseconds);
        return d;
    }

    bool Passed() const { return limited_ && Clock::now() >= at_; }

    // The time left as a poll time-out: -1 without a limit, rounded up to whole milliseconds.
    int PollTimeout() const {
        if (!limited_) return -1;
        auto left = at_ - Clock::now();
        if (left <= Clock::duration::zero()) return 0;
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return ms > INT_MAX ? INT_MAX : int(ms);
    }

private:
    bool limited_ = false;
    Clock::time_point at_{};
};

// How long a read of one byte may wait, by the Win32 rules. The interval time-out starts only
// after a first byte, so it never limits a one-byte read; it matters only in the two MAXDWORD
// combinations.
Deadline ReadDeadline(const CommTimeouts& t) {
    if (t.ReadInterval == kMaxDword && t.ReadTotalMultiplier == 0 && t.ReadTotalConstant == 0) {
        return Deadline::After(0);  // return at once with what is there
    }
    if (t.ReadInterval == kMaxDword && t.ReadTotalMultiplier == kMaxDword && t.ReadTotalConstant != 0 &&
        t.ReadTotalConstant != kMaxDword) {
        return Deadline::After(t.ReadTotalConstant);  // wait for the first byte at most the constant
    }
    if (t.ReadTotalMultiplier == 0 && t.ReadTotalConstant == 0) return Deadline::Never();
    return Deadline::After(uint64_t(t.ReadTotalMultiplier) + t.ReadTotalConstant);
}

Deadline WriteDeadline(const CommTimeouts& t, uint32_t length) {
    if (t.WriteTotalMultiplier == 0 && t.WriteTotalConstant == 0) return Deadline::Never();
    return Deadline::After(uint64_t(t.WriteTotalMultiplier) * length + t.WriteTotalConstant);
}

class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort(int fd, const struct termios& atOpen) : fd_(fd), atOpen_(atOpen) {}

    ~PosixSerialPort() override {
        // The next open, by this process or another, must not find the port still exclusive.
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }

    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // A terminal has no event mask; the value is only kept.
    bool GetEventMask(uint32_t* mask) override {
        *mask = eventMask_;
        return true;
    }
    bool SetEventMask(uint32_t mask) override {
        eventMask_ = mask;
        return true;
    }

    bool GetTimeouts(CommTimeouts* timeouts) override {
        *timeouts = timeouts_;
        return true;
    }
    bool SetTimeouts(const CommTimeouts& timeouts) override {
        timeouts_ = timeouts;
        return true;
    }

    bool GetLineSettings(LineSettings* settings) override {
        struct termios t {};
        if (::tcgetattr(fd_, &t) != 0) return false;
        *settings = ToLineSettings(t);
        read_ = t;
        readSettings_ = *settings;
        haveRead_ = true;
        setSinceRead_ = false;
        return true;
    }

    // The configuration the port had when it was opened stands for the system's default.
    bool GetDefaultLineSettings(LineSettings* settings) override {
        *settings = ToLineSettings(atOpen_);
        return true;
    }

    bool SetLineSettings(const LineSettings& settings) override {
        struct termios wanted {};
        // Setting back what was read, after a change, restores the terminal exactly as it was
        // found, including everything that the line settings do not show.
        bool restore = haveRead_ && setSinceRead_ && SameSettings(settings, readSettings_);
        setSinceRead_ = true;
        if (restore) {
            wanted = read_;
        } else {
            if (::tcgetattr(fd_, &wanted) != 0) return false;
            if (!ApplyLineSettings(settings, &wanted)) return false;
        }
        if (::tcsetattr(fd_, TCSANOW, &wanted) != 0) return false;
        // tcsetattr reports success when any part was applied; check that the line itself took
        // what was asked (a pseudo-terminal, for one, keeps only eight data bits without parity).
        struct termios now {};
        if (::tcgetattr(fd_, &now) != 0) return false;
        return restore ? SameTermios(now, wanted) : SameLine(now, wanted);
    }

    // The system sizes its own queues.
    bool SetQueueSizes(uint32_t, uint32_t) override { return true; }

    // Output is discarded only while some of it still waits to be sent. A write returns once its
    // bytes are on the line, as WriteFile does, so there is normally nothing left; and on a
    // pseudo-terminal, flushing the output would throw away what the other side has not read yet,
    // bytes that on a real line would already be gone.
    bool Purge(uint32_t flags) override {
        bool output = (flags & (purge::TxAbort | purge::TxClear)) != 0 && QueuedOutput() > 0;
        bool input = (flags & (purge::RxAbort | purge::RxClear)) != 0;
        if (output && input) return ::tcflush(fd_, TCIOFLUSH) == 0;
        if (output) return ::tcflush(fd_, TCOFLUSH) == 0;
        if (input) return ::tcflush(fd_, TCIFLUSH) == 0;
        return true;
    }

    bool RaiseDtr() override {
        int bits = TIOCM_DTR;
        return ::ioctl(fd_, TIOCMBIS, &bits) == 0;
    }

    // A write that runs out of time reports success with the bytes that went out, as WriteFile
    // does on a write time-out.
    bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        *written = 0;
        Deadline deadline = WriteDeadline(timeouts_, length);
        uint32_t done = 0;
        while (done < length) {
            ssize_t n = ::write(fd_, data + done, length - done);
            if (n > 0) {
                done += uint32_t(n);
                *written = done;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
            const Wait wait = WaitFor(POLLOUT, deadline);
            if (wait == Wait::TimedOut) return true;
            if (wait == Wait::Failed || wait == Wait::HungUp) return false;
        }
        // WriteFile on a serial port completes when the bytes have gone out; write() only hands
        // them to the system. Wait for the line to take them, within the same time-out.
        while (int queued = QueuedOutput()) {
            if (deadline.Passed()) {
                *written = done - std::min<uint32_t>(done, uint32_t(queued));
                return true;
            }
            ::usleep(1000);
        }
        return true;
    }

    enum class Wait { Ready, TimedOut, HungUp, Failed };

    // One wait for the port to become ready for events, within the deadline. Ready also covers an
    // interrupted or early wake-up: the caller simply tries again.
    Wait WaitFor(short events, const Deadline& deadline) const {
        struct pollfd p = {fd_, events, 0};
        const int ready = ::poll(&p, 1, deadline.PollTimeout());
        if (ready < 0) return errno == EINTR ? Wait::Ready : Wait::Failed;
        if (ready == 0) return deadline.Passed() ? Wait::TimedOut : Wait::Ready;
        if (p.revents & (POLLERR | POLLNVAL)) return Wait::Failed;
        if (p.revents & POLLHUP) return Wait::HungUp;
        return Wait::Ready;
    }

    // Bytes written but not yet sent; 0 when the system cannot tell.
    int QueuedOutput() const {
        int queued = 0;
        return ::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 ? queued : 0;
    }

    // A terminal keeps no error state that would stop reading.
    bool ClearError() override { return true; }

    bool ReadByte(uint8_t* byte, uint32_t* count) override {
        *count = 0;
        Deadline deadline = ReadDeadline(timeouts_);
        bool hungUp = false;
        for (;;) {
            ssize_t n = ::read(fd_, byte, 1);
            if (n == 1) {
                *count = 1;
                return true;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;  // EIO: the line hung up
            // Nothing to read. After a hang-up nothing more will come: an error, not a time-out.
            if (hungUp) return false;
            const Wait wait = WaitFor(POLLIN, deadline);
            if (wait == Wait::TimedOut) return true;
            if (wait == Wait::Failed) return false;
            if (wait == Wait::HungUp) hungUp = true;  // still read what was received before it
        }
    }

private:
    int fd_;
    struct termios atOpen_;
    struct termios read_ {};
    LineSettings readSettings_;
    bool haveRead_ = false;
    bool setSinceRead_ = false;
    uint32_t eventMask_ = 0;
    CommTimeouts timeouts_;
};

bool EqualsNoCase(const std::string& text, std::size_t at, const char* word) {
    for (std::size_t i = 0; word[i] != '\0'; ++i) {
        if (at + i >= text.size()) return false;
        char c = text[at + i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != word[i]) return false;
    }
    return true;
}

}  // namespace

std::string SerialDevicePath(const std::string& name) {
    if (!name.empty() && name[0] == '/') return name;
    std::size_t at = 0;
    if (name.compare(0, 4, "\\\\.\\") == 0) at = 4;
    if (!EqualsNoCase(name, at, "COM")) return std::string();
    at += 3;
    std::size_t digits = name.size() - at;
    // Up to nine digits keep the number within 32 bits.
    if (digits == 0 || digits > 9 || name[at] == '0') return std::string();
    uint32_t number = 0;
    for (std::size_t i = at; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return std::string();
        number = number * 10 + uint32_t(name[i] - '0');
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name) {
    std::string path = SerialDevicePath(name);
    if (path.empty()) return nullptr;
    // Non-blocking: the open does not wait for a carrier, and reads and writes wait in poll
    // under the port's time-outs.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct termios atOpen {};
    if (::tcgetattr(fd, &atOpen) != 0) {
        ::close(fd);
        return nullptr;
    }
    // The lock first: a port that another process holds is left exactly as it is.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        ::flock(fd, LOCK_UN);
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixSerialPort>(fd, atOpen);
}

}  // namespace tarvik::posix
