#include "emulator/journal.h"

#include <ctime>

namespace tarvik::emu {

Journal::~Journal() {
    if (file_) std::fclose(file_);
}

bool Journal::Open(const std::string& path, std::string* error) {
    file_ = std::fopen(path.c_str(), "a");
    if (!file_ && error) *error = "cannot open journal " + path;
    return file_ != nullptr;
}

void Journal::Append(const std::string& document) {
    if (!file_) return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(file_, "==== %s ====\n%s", stamp, document.c_str());
    if (document.empty() || document.back() != '\n') std::fputc('\n', file_);
    std::fflush(file_);
}

}  // namespace tarvik::emu
