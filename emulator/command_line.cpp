#include "emulator/command_line.h"

#include <cstdlib>

#include "emulator/fault_plan.h"

namespace tarvik::emu {

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* line, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") {
            line->help = true;
            continue;
        }
        std::string* text = nullptr;
        if (option == "--link") text = &line->link;
        else if (option == "--journal") text = &line->journal;
        else if (option == "--log") text = &line->log;
        else if (option == "--control") text = &line->control;
        else if (option != "--baud" && option != "--fault") {
            *error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= argc) {
            *error = option + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (text) {
            *text = value;
        } else if (option == "--fault") {
            line->faults.push_back(value);
        } else {
            char* end = nullptr;
            const long baud = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || baud < 0 || baud > 4000000) {
                *error = "--baud takes a speed in bits per second (0: no pacing)";
                return false;
            }
            line->baud = static_cast<int>(baud);
        }
    }
    return true;
}

std::string Usage() {
    return std::string(
               "Usage: tarvik-printer [options]\n"
               "A virtual fiscal printer on a pseudo-terminal. The first line on standard output is the\n"
               "device to open as the serial port; the paper follows as it is printed.\n"
               "\n"
               "  --link PATH      make PATH a symlink to the device (removed at exit)\n"
               "  --baud N         send answers as slowly as a line of N bit/s would (10 bits a byte)\n"
               "  --journal FILE   append every finished document to FILE\n"
               "  --log FILE       append a wire log to FILE: every byte with its time, in hex and text;\n"
               "                   RX = from the driver, TX = from the printer, -- = line events\n"
               "  --control PATH   create a FIFO at PATH taking fault commands, one a line, while running\n"
               "                   (echo 'silent dle' > PATH); answers go to standard error\n"
               "  --fault CMD      a fault command in force from the start (may be repeated)\n"
               "  -h, --help       this text\n"
               "\n") +
           FaultPlan::Help() +
           "\nFrames the printer refuses by itself get error number 2 (frame not carried out): a command\n"
           "other than the error query 0#s and the display text 2$d... without its two upper-case hex\n"
           "checksum digits or with wrong ones, an empty frame, or more than 4096 bytes without ESC '\\'.\n"
           "\nSIGINT or SIGTERM end it cleanly. The driver may close and reopen the port at any time.\n";
}

}  // namespace tarvik::emu
