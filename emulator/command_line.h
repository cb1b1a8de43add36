// The options of tarvik-printer.
#pragma once

#include <string>
#include <vector>

namespace tarvik::emu {

struct CommandLine {
    std::string link;
    int baud = 0;
    std::string journal;
    std::string log;
    std::string control;
    std::vector<std::string> faults;
    bool help = false;
};

// Fills `line` from argv; false with a message for options it cannot take.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine* line, std::string* error);

std::string Usage();

}  // namespace tarvik::emu
