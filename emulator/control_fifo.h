// The running program's control channel: a FIFO that takes one text command per line.
#pragma once

#include <string>
#include <vector>

namespace tarvik::emu {

class ControlFifo {
public:
    ControlFifo() = default;
    ControlFifo(const ControlFifo&) = delete;
    ControlFifo& operator=(const ControlFifo&) = delete;
    ~ControlFifo();

    // Creates the FIFO (or takes an existing one) and opens it without blocking.
    bool Open(const std::string& path, std::string* error);
    int Fd() const { return read_fd_; }
    // Complete lines read so far; call when Fd() is readable.
    std::vector<std::string> ReadLines();

private:
    std::string path_;
    bool created_ = false;
    int read_fd_ = -1;
    int keep_fd_ = -1;  // our own writer, so the FIFO never reports end of file between writers
    std::string pending_;
};

}  // namespace tarvik::emu
