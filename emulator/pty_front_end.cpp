#include "emulator/pty_front_end.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tarvik::emu {
namespace {

// While nobody holds the slave, the master reports a hang-up at once; look again this often.
constexpr int kClosedPollMs = 20;
// After a failed attempt to open a new line, try again this often.
constexpr int kReopenPollMs = 200;

bool SetFlags(int fd) {
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

// Raw 9600 8N1, no flow control: the slave then looks like a plain serial port. On Linux the
// master passes these settings on to the slave, and they stay while the slave is closed.
bool MakeRawSerial(int master) {
    termios t{};
    if (tcgetattr(master, &t) != 0) return false;
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return tcsetattr(master, TCSANOW, &t) == 0;
}

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

PtyFrontEnd::PtyFrontEnd(std::unique_ptr<FiscalBackend> model, FrontEndOptions options)
    : model_(std::move(model)), options_(std::move(options)), engine_(*model_) {
    engine_.SetKeepHistory(options_.keep_history);
}

PtyFrontEnd::~PtyFrontEnd() { Stop(); }

bool PtyFrontEnd::Start(std::string* error) {
    if (thread_.joinable()) return true;
    if (!options_.link_path.empty()) {
        struct stat st {};
        if (lstat(options_.link_path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            if (error) *error = options_.link_path + " exists and is not a symlink";
            return false;
        }
    }
    if (!options_.wire_log_path.empty() && !wire_log_.Open(options_.wire_log_path, error)) return false;
    if (!options_.journal_path.empty() && !journal_.Open(options_.journal_path, error)) return false;
    if (pipe(wake_) != 0 || !SetFlags(wake_[0]) || !SetFlags(wake_[1])) {
        if (error) *error = Errno("pipe");
        return false;
    }
    if (!OpenLine(error)) return false;
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void PtyFrontEnd::Stop() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    if (thread_.joinable()) {
        Wake();
        thread_.join();
    }
    if (master_ >= 0) CloseLine();
    for (int& fd : wake_) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    if (!options_.link_path.empty()) {
        struct stat st {};
        if (lstat(options_.link_path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(options_.link_path.c_str());
    }
}

bool PtyFrontEnd::OpenLine(std::string* error) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        if (error) *error = Errno("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr ||
        !SetFlags(master) || !MakeRawSerial(master)) {
        if (error) *error = Errno("setting up the pseudo-terminal");
        close(master);
        return false;
    }
    master_ = master;
    line_down_ = false;
    const std::string device = name;
    // The link first: whoever sees the new device may open it through the link at once.
    MoveLink(device);
    {
        std::lock_guard<std::mutex> lock(mu_);
        device_ = device;
    }
    wire_log_.Note("line open on " + device);
    return true;
}

void PtyFrontEnd::CloseLine() {
    if (!out_.empty()) wire_log_.Note(std::to_string(out_.size()) + " bytes not sent: line closed");
    out_.clear();
    close(master_);
    master_ = -1;
    {
        std::lock_guard<std::mutex> lock(mu_);
        device_.clear();
    }
    wire_log_.Note("line closed");
}

void PtyFrontEnd::MoveLink(const std::string& device) {
    if (options_.link_path.empty()) return;
    // A new link under a temporary name, then renamed over the old one: never a moment without it.
    const std::string temporary = options_.link_path + ".new";
    unlink(temporary.c_str());
    if (symlink(device.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), options_.link_path.c_str()) != 0) {
        wire_log_.Note(Errno("cannot link " + options_.link_path));
        unlink(temporary.c_str());
    }
}

void PtyFrontEnd::Wake() {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(wake_[1], &byte, 1);
}

void PtyFrontEnd::Run() {
    for (;;) {
        bool hangup;
        Clock::duration interval{};
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (stop_) return;
            hangup = engine_.Faults().hangup;
            if (options_.baud > 0) interval += std::chrono::microseconds(10'000'000LL / options_.baud);
            interval += std::chrono::milliseconds(engine_.Faults().byte_delay_ms);
        }
        if (hangup && master_ >= 0) CloseLine();
        bool reopen_failed = false;
        if (!hangup && master_ < 0) {
            std::string error;
            if (OpenLine(&error)) {
                if (options_.on_device) options_.on_device(DevicePath());
            } else {
                wire_log_.Note(error);
                reopen_failed = true;
            }
        }

        const Clock::time_point now = Clock::now();
        if (master_ >= 0 && !out_.empty() && !want_write_) SendDue(now, interval);

        int timeout = -1;
        if (!out_.empty() && !want_write_ && interval > Clock::duration::zero()) {
            const Clock::time_point due = origin_ + interval * (sent_since_origin_ + 1);
            auto wait = std::chrono::duration_cast<std::chrono::microseconds>(due - Clock::now()).count();
            timeout = static_cast<int>(std::max<long long>(0, (wait + 999) / 1000));
        }
        if (reopen_failed) timeout = kReopenPollMs;

        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {-1, 0, 0}};
        const bool watch_line = master_ >= 0 && !line_down_;
        if (watch_line) fds[1] = {master_, static_cast<short>(POLLIN | (want_write_ ? POLLOUT : 0)), 0};
        if (master_ >= 0 && line_down_) timeout = timeout < 0 ? kClosedPollMs : std::min(timeout, kClosedPollMs);
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) return;

        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        if (master_ >= 0 && line_down_) {
            // Is somebody holding the slave again?
            pollfd probe{master_, POLLIN, 0};
            if (poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP)) {
                line_down_ = false;
                wire_log_.Note("port opened by the driver");
            }
            continue;
        }
        if (!watch_line) continue;
        if (fds[1].revents & POLLOUT) want_write_ = false;
        if (fds[1].revents & POLLIN) ReadLine();
        else if (fds[1].revents & (POLLHUP | POLLERR)) {
            line_down_ = true;
            want_write_ = false;
            if (!out_.empty()) wire_log_.Note(std::to_string(out_.size()) + " bytes not sent: port closed");
            out_.clear();
            wire_log_.Note("port closed by the driver");
        }
    }
}

void PtyFrontEnd::ReadLine() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) return;  // EAGAIN: all read; EIO: the slave went away, seen at the next poll
        const std::string_view bytes(buffer, static_cast<std::size_t>(n));
        wire_log_.Received(bytes);
        std::string answer, printed;
        std::vector<std::string> documents;
        {
            std::lock_guard<std::mutex> lock(mu_);
            answer = engine_.Feed(bytes);
            printed = model_->TakePrinted();
            if (options_.keep_history) paper_ += printed;
            const auto& all = model_->Documents();
            for (; documents_seen_ < all.size(); ++documents_seen_) documents.push_back(all[documents_seen_]);
        }
        changed_.notify_all();
        if (!answer.empty()) {
            wire_log_.Sent(answer);
            if (out_.empty()) {
                origin_ = Clock::now();
                sent_since_origin_ = 0;
            }
            out_.insert(out_.end(), answer.begin(), answer.end());
        }
        for (const std::string& document : documents) journal_.Append(document);
        if (!printed.empty() && options_.on_paper) options_.on_paper(printed);
    }
}

void PtyFrontEnd::SendDue(Clock::time_point now, Clock::duration interval) {
    if (interval != origin_interval_) {
        // The pace changed (a delay fault): count the remaining bytes from now.
        origin_interval_ = interval;
        origin_ = now;
        sent_since_origin_ = 0;
    }
    std::size_t due = out_.size();
    if (interval > Clock::duration::zero()) {
        const long paced = static_cast<long>((now - origin_) / interval) - sent_since_origin_;
        due = std::min(due, static_cast<std::size_t>(std::max(0L, paced)));
    }
    if (due == 0) return;
    const std::string chunk(out_.begin(), out_.begin() + static_cast<long>(due));
    const ssize_t n = write(master_, chunk.data(), chunk.size());
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            want_write_ = true;
        } else {
            wire_log_.Note(std::to_string(out_.size()) + " bytes not sent: " + std::strerror(errno));
            out_.clear();
        }
        return;
    }
    out_.erase(out_.begin(), out_.begin() + n);
    sent_since_origin_ += n;
    if (static_cast<std::size_t>(n) < chunk.size()) want_write_ = true;
}

std::string PtyFrontEnd::DevicePath() const {
    std::lock_guard<std::mutex> lock(mu_);
    return device_;
}

bool PtyFrontEnd::Control(const std::string& line, std::string* message) {
    bool ok;
    {
        std::lock_guard<std::mutex> lock(mu_);
        ok = engine_.Faults().Apply(line, message);
    }
    if (wake_[1] >= 0) Wake();
    return ok;
}

void PtyFrontEnd::EditFaults(const std::function<void(FaultPlan&)>& edit) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        edit(engine_.Faults());
    }
    if (wake_[1] >= 0) Wake();
}

FaultPlan PtyFrontEnd::Faults() const {
    std::lock_guard<std::mutex> lock(mu_);
    return engine_.Faults();
}

Observation PtyFrontEnd::Observed() const {
    std::lock_guard<std::mutex> lock(mu_);
    return engine_.Observed();
}

int PtyFrontEnd::FamilyCount(const std::string& family) const {
    std::lock_guard<std::mutex> lock(mu_);
    const auto& counts = engine_.Observed().family_counts;
    auto it = counts.find(family);
    return it == counts.end() ? 0 : it->second;
}

int PtyFrontEnd::PayloadCount(const std::string& payload) const {
    std::lock_guard<std::mutex> lock(mu_);
    const auto& counts = engine_.Observed().payload_counts;
    auto it = counts.find(payload);
    return it == counts.end() ? 0 : it->second;
}

void PtyFrontEnd::ClearObserved() {
    std::lock_guard<std::mutex> lock(mu_);
    engine_.ClearObserved();
}

bool PtyFrontEnd::WaitFor(const std::function<bool(const Observation&)>& done,
                          std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mu_);
    return changed_.wait_for(lock, timeout, [&] { return done(engine_.Observed()); });
}

int PtyFrontEnd::LastError() const {
    std::lock_guard<std::mutex> lock(mu_);
    return engine_.LastError();
}

std::string PtyFrontEnd::Paper() const {
    std::lock_guard<std::mutex> lock(mu_);
    return paper_;
}

std::vector<std::string> PtyFrontEnd::Documents() const {
    std::lock_guard<std::mutex> lock(mu_);
    return model_->Documents();
}

std::array<std::string, 2> PtyFrontEnd::Display() const {
    std::lock_guard<std::mutex> lock(mu_);
    return model_->Display();
}

int PtyFrontEnd::DrawerOpenings() const {
    std::lock_guard<std::mutex> lock(mu_);
    return model_->DrawerOpenings();
}

}  // namespace tarvik::emu
