#include "platform/posix/reg_file.h"

#include "platform/posix/windows1250.h"

#include <cstddef>

namespace tarvik::posix {
namespace {

using Text = std::u32string;
using View = std::u32string_view;

constexpr char32_t kReplacement = 0xFFFD;

Text DecodeUtf16Le(const uint8_t* p, std::size_t n) {
    Text out;
    out.reserve(n / 2);
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        char32_t unit = char32_t(p[i] | (p[i + 1] << 8));
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < n) {
            char32_t low = char32_t(p[i + 2] | (p[i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out.push_back(unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    return out;
}

// A byte that is not part of a valid UTF-8 sequence is read as Windows-1250: a REGEDIT4 file saved
// in the Windows code page still reads right.
Text DecodeUtf8(const uint8_t* p, std::size_t n) {
    Text out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        uint8_t b = p[i];
        std::size_t extra = 0;
        char32_t c = 0;
        uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, c = b & 0x0F;
            if (b == 0xE0) low = 0xA0;   // overlong
            if (b == 0xED) high = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, c = b & 0x07;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        }
        bool valid = extra > 0 && i + extra < n;
        if (valid && (p[i + 1] < low || p[i + 1] > high)) valid = false;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) valid = false;
            else c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (!valid) {
            out.push_back(FromWindows1250(b));
            ++i;
            continue;
        }
        out.push_back(c);
        i += extra + 1;
    }
    return out;
}

Text Decode(std::string_view bytes) {
    auto p = reinterpret_cast<const uint8_t*>(bytes.data());
    std::size_t n = bytes.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) return DecodeUtf16Le(p + 2, n - 2);
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return DecodeUtf8(p + 3, n - 3);
    return DecodeUtf8(p, n);
}

std::vector<View> SplitLines(const Text& text) {
    std::vector<View> lines;
    View all(text);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(U'\n', start);
        if (end == View::npos) end = all.size();
        View line = all.substr(start, end - start);
        if (!line.empty() && line.back() == U'\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t'; }

View TrimLeft(View v) {
    while (!v.empty() && IsSpace(v.front())) v.remove_prefix(1);
    return v;
}

View TrimRight(View v) {
    while (!v.empty() && IsSpace(v.back())) v.remove_suffix(1);
    return v;
}

View Trim(View v) { return TrimRight(TrimLeft(v)); }

// Nothing but blanks or a comment.
bool IsLineEnd(View rest) {
    rest = TrimLeft(rest);
    return rest.empty() || rest.front() == U';';
}

int HexDigit(char32_t c) {
    if (c >= U'0' && c <= U'9') return int(c - U'0');
    if (c >= U'a' && c <= U'f') return int(c - U'a' + 10);
    if (c >= U'A' && c <= U'F') return int(c - U'A' + 10);
    return -1;
}

bool StartsWithNoCase(View v, std::string_view prefix) {
    if (v.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(v[i]) != FoldCase(char32_t(uint8_t(prefix[i])))) return false;
    }
    return true;
}

bool EqualNoCase(View a, View b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

// A quoted string starting at line[*pos]; only \\ and \" are escapes, any other backslash stands
// for itself. False when the closing quote is missing.
bool ParseQuoted(View line, std::size_t* pos, Text* out) {
    std::size_t i = *pos + 1;
    out->clear();
    while (i < line.size()) {
        char32_t c = line[i];
        if (c == U'"') {
            *pos = i + 1;
            return true;
        }
        if (c == U'\\' && i + 1 < line.size() && (line[i + 1] == U'\\' || line[i + 1] == U'"')) {
            out->push_back(line[i + 1]);
            i += 2;
            continue;
        }
        out->push_back(c);
        ++i;
    }
    return false;
}

// A key line "[path]", possibly followed by a comment. False for a deletion "[-path]" and for a
// line that is not a key, so that the values after it belong to no key.
bool ParseKeyLine(View line, Text* key) {
    for (std::size_t close = line.find(U']'); close != View::npos; close = line.find(U']', close + 1)) {
        if (!IsLineEnd(line.substr(close + 1))) continue;
        View path = line.substr(1, close - 1);
        if (path.empty() || path.front() == U'-') return false;
        key->assign(path);
        return true;
    }
    return false;
}

bool ParseHexList(View list, std::vector<uint8_t>* bytes) {
    bytes->clear();
    list = Trim(list);
    if (list.empty()) return true;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(U',', start);
        bool last = comma == View::npos;
        View token = Trim(list.substr(start, last ? View::npos : comma - start));
        if (token.empty()) return last && start > 0;  // only a trailing comma may leave nothing
        if (token.size() > 2) return false;
        int value = 0;
        for (char32_t c : token) {
            int d = HexDigit(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        bytes->push_back(uint8_t(value));
        if (last) break;
        start = comma + 1;
    }
    return true;
}

void AppendWindows1250(View text, std::vector<uint8_t>* out) {
    for (char32_t c : text) out->push_back(ToWindows1250(c));
}

bool IsStringType(uint32_t type) { return type == 1 || type == 2 || type == 7; }

class Parser {
public:
    explicit Parser(const Text& text) : lines_(SplitLines(text)) {}

    template <typename Add>
    void Run(Add add) {
        while (next_ < lines_.size() && Trim(lines_[next_]).empty()) ++next_;
        if (next_ == lines_.size()) return;
        View header = Trim(lines_[next_++]);
        if (header == U"Windows Registry Editor Version 5.00") {
            unicode_ = true;
        } else if (header != U"REGEDIT4") {
            return;
        }
        bool inKey = false;
        Text key;
        while (next_ < lines_.size()) {
            View line = TrimLeft(lines_[next_++]);
            if (line.empty() || line.front() == U';') continue;
            if (line.front() == U'[') {
                inKey = ParseKeyLine(line, &key);
                continue;
            }
            if (line.front() != U'"' && line.front() != U'@') continue;
            Text name;
            RegValue value;
            if (ParseValueLine(line, &name, &value) && inKey) add(key, std::move(name), std::move(value));
        }
    }

private:
    bool ParseValueLine(View line, Text* name, RegValue* value) {
        std::size_t pos = 0;
        if (line.front() == U'@') {
            name->clear();
            pos = 1;
        } else if (!ParseQuoted(line, &pos, name)) {
            return false;
        }
        View rest = TrimLeft(line.substr(pos));
        if (rest.empty() || rest.front() != U'=') return false;
        rest = TrimLeft(rest.substr(1));

        if (!rest.empty() && rest.front() == U'"') {
            Text text;
            std::size_t end = 0;
            if (!ParseQuoted(rest, &end, &text) || !IsLineEnd(rest.substr(end))) return false;
            value->type = 1;
            AppendWindows1250(text, &value->data);
            value->data.push_back(0);
            return true;
        }
        if (StartsWithNoCase(rest, "dword:")) return ParseDword(rest.substr(6), value);
        if (StartsWithNoCase(rest, "hex")) return ParseHex(rest.substr(3), value);
        return false;  // a deletion ("Name"=-) or something unknown
    }

    static bool ParseDword(View digits, RegValue* value) {
        uint32_t number = 0;
        std::size_t count = 0;
        for (; count < digits.size() && HexDigit(digits[count]) >= 0; ++count) {
            if (count == 8) return false;
            number = number * 16 + uint32_t(HexDigit(digits[count]));
        }
        if (count == 0 || !IsLineEnd(digits.substr(count))) return false;
        value->type = 4;
        value->data = {uint8_t(number), uint8_t(number >> 8), uint8_t(number >> 16), uint8_t(number >> 24)};
        return true;
    }

    // After "hex": an optional "(type)", a colon and a comma-separated list of bytes that may go
    // on over lines ending in a backslash.
    bool ParseHex(View rest, RegValue* value) {
        uint32_t type = 3;
        if (!rest.empty() && rest.front() == U'(') {
            std::size_t close = rest.find(U')');
            if (close == View::npos || close == 1 || close > 9) return false;
            type = 0;
            for (std::size_t i = 1; i < close; ++i) {
                int d = HexDigit(rest[i]);
                if (d < 0) return false;
                type = type * 16 + uint32_t(d);
            }
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != U':') return false;
        rest.remove_prefix(1);

        Text list;
        for (;;) {
            View part = rest.substr(0, rest.find(U';'));
            part = TrimRight(part);
            if (part.empty() || part.back() != U'\\') {
                list.append(part);
                break;
            }
            part.remove_suffix(1);
            list.append(part);
            // The list goes on only on a line that starts with a hex digit; any other line is left
            // for the main loop, and the cut-off value is dropped.
            if (next_ == lines_.size()) return false;
            View following = TrimLeft(lines_[next_]);
            if (following.empty() || HexDigit(following.front()) < 0) return false;
            ++next_;
            rest = following;
        }

        std::vector<uint8_t> bytes;
        if (!ParseHexList(list, &bytes)) return false;
        value->type = type;
        if (IsStringType(type) && unicode_) {
            // Version 5 files hold string data as UTF-16LE; the driver reads it in its code page.
            Text text = DecodeUtf16Le(bytes.data(), bytes.size());
            AppendWindows1250(text, &value->data);
        } else {
            value->data = std::move(bytes);
        }
        return true;
    }

    std::vector<View> lines_;
    std::size_t next_ = 0;
    bool unicode_ = false;
};

Text FromWindows1250Text(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(FromWindows1250(uint8_t(c)));
    return out;
}

}  // namespace

RegFile RegFile::Parse(std::string_view bytes) {
    RegFile file;
    Text text = Decode(bytes);
    Parser parser(text);
    parser.Run([&](const Text& key, Text&& name, RegValue&& value) {
        file.entries_.push_back(Entry{key, std::move(name), std::move(value)});
    });
    return file;
}

const RegValue* RegFile::Find(std::string_view keyPath, std::string_view valueName) const {
    Text key = FromWindows1250Text(keyPath);
    Text name = FromWindows1250Text(valueName);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (EqualNoCase(it->name, name) && EqualNoCase(it->key, key)) return &it->value;
    }
    return nullptr;
}

}  // namespace tarvik::posix
