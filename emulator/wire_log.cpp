#include "emulator/wire_log.h"

#include <ctime>

namespace tarvik::emu {
namespace {

constexpr std::size_t kBytesPerLine = 16;

std::string Stamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(ms));
    return text;
}

}  // namespace

WireLog::~WireLog() {
    if (file_) std::fclose(file_);
}

bool WireLog::Open(const std::string& path, std::string* error) {
    file_ = std::fopen(path.c_str(), "a");
    if (!file_ && error) *error = "cannot open wire log " + path;
    return file_ != nullptr;
}

std::string WireLog::Format(std::chrono::system_clock::time_point when, const char* direction,
                            std::string_view bytes) {
    const std::string stamp = Stamp(when);
    std::string out;
    for (std::size_t start = 0; start < bytes.size(); start += kBytesPerLine) {
        std::string_view part = bytes.substr(start, kBytesPerLine);
        std::string hex, text;
        for (unsigned char c : part) {
            char two[4];
            std::snprintf(two, sizeof two, "%02X ", c);
            hex += two;
            text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
        }
        hex.resize(kBytesPerLine * 3, ' ');
        out += stamp + " " + direction + " " + hex + "|" + text + "|\n";
    }
    return out;
}

void WireLog::Write(const char* direction, std::string_view bytes) {
    if (!file_ || bytes.empty()) return;
    const std::string lines = Format(std::chrono::system_clock::now(), direction, bytes);
    std::fwrite(lines.data(), 1, lines.size(), file_);
    std::fflush(file_);
}

void WireLog::Note(const std::string& text) {
    if (!file_) return;
    std::fprintf(file_, "%s -- %s\n", Stamp(std::chrono::system_clock::now()).c_str(), text.c_str());
    std::fflush(file_);
}

}  // namespace tarvik::emu
