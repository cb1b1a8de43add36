#include "emulator/fault_plan.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <vector>

namespace tarvik::emu {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// A byte written in hex, with or without "0x": "7c", "0x7C", "1b".
std::optional<std::uint8_t> ParseHexByte(std::string text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = text.substr(2);
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<int> ParseNumber(const std::string& text, int min, int max) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (std::size_t j = i; j < text.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(text[j]))) return std::nullopt;
    int value = std::stoi(text);
    if (value < min || value > max) return std::nullopt;
    return value;
}

std::optional<bool> ParseOnOff(const std::string& text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

std::string HexBytes(const std::string& bytes) {
    std::string out;
    char hex[4];
    for (unsigned char c : bytes) {
        std::snprintf(hex, sizeof hex, "%s%02X", out.empty() ? "" : " ", c);
        out += hex;
    }
    return out;
}

// A family is '$' or '#' and one more character, as the command letters stand in a payload.
bool IsFamily(const std::string& text) {
    return text.size() == 2 && (text[0] == '$' || text[0] == '#');
}

}  // namespace

std::optional<int> FaultPlan::TakeInjectedError(const std::string& family) {
    if (next_error_count > 0 && family != "#e") {
        --next_error_count;
        return next_error;
    }
    auto it = family_errors.find(family);
    if (it != family_errors.end()) return it->second;
    return std::nullopt;
}

bool FaultPlan::Apply(const std::string& line, std::string* message) {
    std::vector<std::string> w = Words(line);
    auto fail = [&](const std::string& why) {
        if (message) *message = why + ": " + line;
        return false;
    };
    auto ok = [&](const std::string& what) {
        if (message) *message = what;
        return true;
    };
    if (w.empty()) return fail("empty command");
    const std::string verb = Lower(w[0]);
    const std::string arg = w.size() > 1 ? Lower(w[1]) : std::string();

    if (verb == "clear" && w.size() == 1) {
        *this = FaultPlan{};
        return ok("all faults cleared");
    }
    if (verb == "status" && w.size() == 1) return ok(Describe());

    if (verb == "silent" && w.size() == 2) {
        if (arg == "all") silent_dle = silent_enq = silent_query = true;
        else if (arg == "dle") silent_dle = true;
        else if (arg == "enq") silent_enq = true;
        else if (arg == "query") silent_query = true;
        else if (arg == "off") silent_dle = silent_enq = silent_query = false;
        else return fail("expected silent all|dle|enq|query|off");
        return ok("silent " + arg);
    }
    if ((verb == "dle-answer" || verb == "enq-answer") && w.size() == 2) {
        std::optional<std::uint8_t>& answer = verb == "dle-answer" ? dle_answer : enq_answer;
        if (arg == "off") {
            answer.reset();
            return ok(verb + " off");
        }
        auto byte = ParseHexByte(arg);
        if (!byte) return fail("expected a hex byte such as 7c or 0x7c");
        answer = *byte;
        return ok(verb + " " + HexBytes(std::string(1, static_cast<char>(*byte))));
    }
    if (verb == "garbage" && w.size() >= 2) {
        if (arg == "off" && w.size() == 2) {
            garbage.clear();
            return ok("garbage off");
        }
        std::string bytes;
        for (std::size_t i = 1; i < w.size(); ++i) {
            auto byte = ParseHexByte(w[i]);
            if (!byte) return fail("expected hex bytes such as 41 1b");
            bytes += static_cast<char>(*byte);
        }
        garbage = bytes;
        return ok("garbage " + HexBytes(garbage));
    }
    if (verb == "delay" && w.size() == 2) {
        auto ms = ParseNumber(arg, 0, 60000);
        if (!ms) return fail("expected delay MILLISECONDS (0 to 60000)");
        byte_delay_ms = *ms;
        return ok("delay " + std::to_string(*ms) + " ms per byte");
    }
    if (verb == "error") {
        if (arg == "off" && w.size() == 2) {
            next_error_count = 0;
            family_errors.clear();
            return ok("injected errors cleared");
        }
        if (arg == "off" && w.size() == 3 && IsFamily(w[2])) {
            family_errors.erase(w[2]);
            return ok("error off " + w[2]);
        }
        if (w.size() == 4) {
            auto number = ParseNumber(w[1], -999999, 999999);
            if (!number) return fail("expected an error number");
            if (Lower(w[2]) == "next") {
                auto count = ParseNumber(w[3], 1, 1000000);
                if (!count) return fail("expected error N next COUNT");
                next_error = *number;
                next_error_count = *count;
                return ok("error " + w[1] + " for the next " + w[3] + " commands");
            }
            if (Lower(w[2]) == "family" && IsFamily(w[3])) {
                family_errors[w[3]] = *number;
                return ok("error " + w[1] + " for every " + w[3]);
            }
        }
        return fail("expected error N next COUNT, error N family $x, error off [$x]");
    }
    if (w.size() == 2) {
        bool* flag = nullptr;
        if (verb == "truncate") flag = &truncate_query_reply;
        else if (verb == "busy") flag = &busy;
        else if (verb == "paper-out") flag = &paper_out;
        else if (verb == "mechanism") flag = &mechanism_error;
        else if (verb == "hangup") flag = &hangup;
        if (flag) {
            auto on = ParseOnOff(arg);
            if (!on) return fail("expected " + verb + " on|off");
            *flag = *on;
            return ok(verb + " " + arg);
        }
    }
    return fail("unknown command");
}

std::string FaultPlan::Describe() const {
    std::string out;
    auto add = [&out](const std::string& line) { out += line + "\n"; };
    if (silent_dle) add("silent dle");
    if (silent_enq) add("silent enq");
    if (silent_query) add("silent query");
    if (dle_answer) add("dle-answer " + HexBytes(std::string(1, static_cast<char>(*dle_answer))));
    if (enq_answer) add("enq-answer " + HexBytes(std::string(1, static_cast<char>(*enq_answer))));
    if (!garbage.empty()) add("garbage " + HexBytes(garbage));
    if (truncate_query_reply) add("truncate on");
    if (byte_delay_ms > 0) add("delay " + std::to_string(byte_delay_ms));
    if (busy) add("busy on");
    if (paper_out) add("paper-out on");
    if (mechanism_error) add("mechanism on");
    if (hangup) add("hangup on");
    if (next_error_count > 0)
        add("error " + std::to_string(next_error) + " next " + std::to_string(next_error_count));
    for (const auto& [family, number] : family_errors)
        add("error " + std::to_string(number) + " family " + family);
    return out.empty() ? "no faults\n" : out;
}

const char* FaultPlan::Help() {
    return "Fault commands (for --fault and the control channel, one per line):\n"
           "  silent all|dle|enq|query   answer nothing / not DLE / not ENQ / not the error query\n"
           "  silent off                 answer again\n"
           "  dle-answer XX|off          answer DLE with byte XX (hex, e.g. 7c) instead of the status\n"
           "  enq-answer XX|off          answer ENQ with byte XX instead of the status\n"
           "  garbage XX [XX ...]|off    send these bytes in front of every answer\n"
           "  truncate on|off            error-query reply without its closing ESC '\\'\n"
           "  delay MS                   MS milliseconds more per byte sent (0: off)\n"
           "  error N next K             refuse the next K commands with error number N\n"
           "                             (the start command 1#e and the error query not counted)\n"
           "  error N family $x          refuse every command of family $x (\"$l\", \"$e\", \"#e\", ...)\n"
           "  error off [$x]             drop injected errors (all, or those of one family)\n"
           "  busy on|off                DLE bit 2 clear: not ready\n"
           "  paper-out on|off           DLE bit 1: paper out / printer fault\n"
           "  mechanism on|off           DLE bit 0: mechanism error\n"
           "  hangup on|off              close the line: the device disappears and the driver's\n"
           "                             port reads fail; off opens a new device (and moves --link).\n"
           "                             Also the way out when a driver died holding the port: the\n"
           "                             pseudo-terminal keeps its exclusive flag (TIOCEXCL) until then\n"
           "  clear                      every fault off\n"
           "  status                     show the faults in force\n"
           "A refused command is not carried out; its error number is what the error query answers.\n"
           "Silence only holds back answers: frames are still carried out.\n";
}

}  // namespace tarvik::emu
