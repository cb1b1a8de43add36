#include "emulator/control_fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarvik::emu {

ControlFifo::~ControlFifo() {
    if (read_fd_ >= 0) close(read_fd_);
    if (keep_fd_ >= 0) close(keep_fd_);
    if (created_) unlink(path_.c_str());
}

bool ControlFifo::Open(const std::string& path, std::string* error) {
    path_ = path;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode)) {
            *error = path + " exists and is not a FIFO";
            return false;
        }
    } else if (mkfifo(path.c_str(), 0600) == 0) {
        created_ = true;
    } else {
        *error = "cannot create FIFO " + path + ": " + std::strerror(errno);
        return false;
    }
    read_fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (read_fd_ >= 0) keep_fd_ = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (read_fd_ < 0 || keep_fd_ < 0) {
        *error = "cannot open FIFO " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::vector<std::string> ControlFifo::ReadLines() {
    char buffer[1024];
    ssize_t n;
    while ((n = read(read_fd_, buffer, sizeof buffer)) > 0) pending_.append(buffer, static_cast<std::size_t>(n));
    std::vector<std::string> lines;
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
    }
    return lines;
}

}  // namespace tarvik::emu
