// The electronic journal: every finished document appended to a text file as it is printed,
// each under a line with its time, so the paper of a whole session can be read back.
#pragma once

#include <cstdio>
#include <string>

namespace tarvik::emu {

class Journal {
public:
    Journal() = default;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal();

    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return file_ != nullptr; }
    void Append(const std::string& document);

private:
    std::FILE* file_ = nullptr;
};

}  // namespace tarvik::emu
