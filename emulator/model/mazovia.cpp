#include "emulator/model/mazovia.h"

namespace tarvik::emu {

namespace {

struct Letter {
    unsigned char mazovia;
    const char* utf8;
};

constexpr Letter kLetters[] = {
    {0x86, "ą"}, {0x8D, "ć"}, {0x91, "ę"}, {0x92, "ł"}, {0xA4, "ń"}, {0xA2, "ó"},
    {0x9E, "ś"}, {0xA7, "ż"}, {0xA6, "ź"}, {0x8F, "Ą"}, {0x95, "Ć"}, {0x90, "Ę"},
    {0x9C, "Ł"}, {0xA5, "Ń"}, {0xA3, "Ó"}, {0x98, "Ś"}, {0xA1, "Ż"}, {0xA0, "Ź"},
};

}  // namespace

std::string MazoviaToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
            continue;
        }
        const char* letter = "?";
        for (const Letter& l : kLetters) {
            if (l.mazovia == byte) letter = l.utf8;
        }
        out += letter;
    }
    return out;
}

}  // namespace tarvik::emu
