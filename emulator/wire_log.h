// A readable record of the line: every byte in both directions with its time, in hex and as text.
//   2024-05-02 10:15:01.234 RX 1B 50 31 23 65 38 38 1B 5C                      |.P1#e88.\|
// RX: bytes the printer received from the driver; TX: bytes it sent. Up to 16 bytes a line.
// Lines starting "--" note events on the line (port opened or closed by the driver, ...).
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvik::emu {

class WireLog {
public:
    WireLog() = default;
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;
    ~WireLog();

    // Appends to the file; false with a message when it cannot be opened.
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return file_ != nullptr; }

    void Received(std::string_view bytes) { Write("RX", bytes); }
    void Sent(std::string_view bytes) { Write("TX", bytes); }
    void Note(const std::string& text);

    // The lines for one chunk, each ending in '\n'.
    static std::string Format(std::chrono::system_clock::time_point when, const char* direction,
                              std::string_view bytes);

private:
    void Write(const char* direction, std::string_view bytes);

    std::FILE* file_ = nullptr;
};

}  // namespace tarvik::emu
