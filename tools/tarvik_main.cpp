// tarvik: drives one of the driver libraries from a shell, one action after another in the same
// process, as a point-of-sale program would.
#include <CLI/CLI.hpp>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver_library.h"
#include "status_text.h"

namespace {

using tarvik::cli::DriverLibrary;

std::string Message(const DriverLibrary& lib, int code) {
    if (!lib.FpErrInfo) return "";
    char buffer[256] = {};
    lib.FpErrInfo(code, sizeof buffer - 1, buffer);
    return tarvik::cli::Windows1250ToUtf8(buffer);
}

void PrintResult(const DriverLibrary& lib, const char* what, int code) {
    if (code == 0) {
        std::printf("%s: 0 (ok)\n", what);
    } else {
        std::printf("%s: %d (%s)\n", what, code, Message(lib, code).c_str());
    }
}

bool Missing(const void* entry, const std::string& name) {
    if (entry) return false;
    std::fprintf(stderr, "tarvik: this library has no %s\n", name.c_str());
    return true;
}

// Runs one action; returns the process's exit code contribution (0 or 1).
int Run(DriverLibrary& lib, const std::string& action, std::vector<std::string>::const_iterator& next,
        std::vector<std::string>::const_iterator end) {
    if (action == "status") {
        if (Missing(reinterpret_cast<void*>(lib.FpGetStatus), "FP_GETSTATUS")) return 1;
        uint32_t word = 0;
        const int result = lib.FpGetStatus(&word);
        PrintResult(lib, "status", result);
        std::printf("status word: 0x%08" PRIX32 "\n%s", word, tarvik::cli::DescribeStatusWord(word).c_str());
        return result == 0 ? 0 : 1;
    }
    if (action == "info") {
        if (Missing(reinterpret_cast<void*>(lib.FpDriverInfo), "FP_DRIVERINFO")) return 1;
        char description[128] = {};
        char version[32] = {};
        char shortName[64] = {};
        const int length = lib.FpDriverInfo(sizeof description - 1, description, sizeof version - 1, version,
                                            sizeof shortName - 1, shortName);
        std::printf("driver: %s\nshort name: %s\nversion: %s (%d characters)\n",
                    tarvik::cli::Windows1250ToUtf8(description).c_str(),
                    tarvik::cli::Windows1250ToUtf8(shortName).c_str(), version, length);
        return 0;
    }
    if (action == "errinfo") {
        if (next == end) {
            std::fprintf(stderr, "tarvik: errinfo needs a code\n");
            return 1;
        }
        const int code = std::atoi((next++)->c_str());
        std::printf("%d: %s\n", code, Message(lib, code).c_str());
        return 0;
    }
    if (action == "release") {
        if (Missing(reinterpret_cast<void*>(lib.FpReleasePort), "FP_RELEASEPORT")) return 1;
        PrintResult(lib, "release", lib.FpReleasePort());
        return 0;
    }
    std::fprintf(stderr, "tarvik: unknown action '%s'\n", action.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Drives a tarvik driver library. Actions run in order in one process:\n"
        "  status          read the printer's status word\n"
        "  info            the driver's description, short name and version\n"
        "  errinfo CODE    the message of a result code\n"
        "  release         let the serial port go\n"
        "The port comes from the settings hives ($TARVIK_USER_REG, $TARVIK_MACHINE_REG)."};
    std::string library = "quenda";
    std::string libraryDir = TARVIK_DEFAULT_LIBRARY_DIR;
    std::vector<std::string> actions;
    app.add_option("-l,--library", library, "quenda, marbel, ostryk, or a path to a library")->capture_default_str();
    app.add_option("--library-dir", libraryDir, "where the libraries are found by name")->capture_default_str();
    app.add_option("actions", actions, "actions to run")->required();
    CLI11_PARSE(app, argc, argv);

    DriverLibrary lib;
    std::string error;
    if (!lib.Load(library, libraryDir, &error)) {
        std::fprintf(stderr, "tarvik: cannot load %s: %s\n", library.c_str(), error.c_str());
        return 2;
    }
    int failures = 0;
    for (auto it = actions.cbegin(); it != actions.cend();) {
        const std::string action = *it++;
        failures |= Run(lib, action, it, actions.cend());
    }
    return failures;
}
