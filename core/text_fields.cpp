#include "core/text_fields.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

#include "platform/platform.h"

namespace tarvik {

namespace {

// Pairs of {printer (Mazovia) byte, Windows-1250 byte}, ended by a pair of zero bytes.
constexpr uint8_t kMazoviaTable[][2] = {
    {0x86, 0xB9},  // a ogonek
    {0x8D, 0xE6},  // c acute
    {0x91, 0xEA},  // e ogonek
    {0x92, 0xB3},  // l stroke
    {0xA4, 0xF1},  // n acute
    {0xA2, 0xF3},  // o acute
    {0x9E, 0x9C},  // s acute
    {0xA7, 0xBF},  // z dot
    {0xA6, 0x9F},  // z acute
    {0x8F, 0xA5},  // A ogonek
    {0x95, 0xC6},  // C acute
    {0x90, 0xCA},  // E ogonek
    {0x9C, 0xA3},  // L stroke
    {0xA5, 0xD1},  // N acute
    {0xA3, 0xD3},  // O acute
    {0x98, 0x8C},  // S acute
    {0xA1, 0xAF},  // Z dot
    {0xA0, 0x8F},  // Z acute
    {0x00, 0x00},
};

constexpr int kNameWidth = 40;

// White space as the C locale's isspace sees it; the host's locale may count more bytes.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int EffectiveLength(int length, const char* text) {
    int n = BoundedLength(text, length);
    return n < 0 ? 0 : n;
}

// Whether a number that does not fit a double is too large rather than too small: the sign of the
// order of magnitude of its mantissa plus its exponent. Only the sign matters, so the exponent
// saturates.
bool TooLarge(const char* begin, const char* end, bool hex) {
    const char* p = begin;
    long order = 0;
    while (p < end && *p == '0') ++p;
    const char* firstSignificant = p;
    while (p < end && (hex ? IsHexDigit(*p) : IsDigit(*p))) ++p;
    if (p > firstSignificant) {
        order = p - firstSignificant - 1;
    } else if (p < end && *p == '.') {
        ++p;
        long zeros = 0;
        while (p < end && *p == '0') ++p, ++zeros;
        order = -(zeros + 1);
    }
    if (hex) order *= 4;
    while (p < end && (hex ? IsHexDigit(*p) : IsDigit(*p))) ++p;
    if (p < end && *p == '.') ++p;
    while (p < end && (hex ? IsHexDigit(*p) : IsDigit(*p))) ++p;
    long exponent = 0;
    if (p < end && (hex ? (*p == 'p' || *p == 'P') : (*p == 'e' || *p == 'E'))) {
        ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
        for (; p < end && IsDigit(*p); ++p) {
            if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    return order + exponent >= 0;
}

// Reads one number from a zero-ended text the way strtod and "%lf" do in the C locale: white space,
// an optional sign, then a decimal or 0x hexadecimal number, "inf", "infinity" or "nan"; whatever
// follows the longest number at the start is ignored. A value beyond the range of a double reads
// as an infinity, one below it as zero. std::from_chars does the conversion because it never looks
// at the locale; it accepts neither white space, a '+' nor the 0x prefix, so those are handled here.
bool ReadDouble(const char* text, double* value) {
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p == '+' || *p == '-') return false;
    const char* end = p + std::strlen(p);
    bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    double result = 0;
    if (hex) {
        p += 2;
        // Without a hexadecimal digit after it, the 0x is the number 0 and the letter x after it.
        if (!IsHexDigit(p[0]) && !(p[0] == '.' && IsHexDigit(p[1]))) {
            *value = negative ? -0.0 : 0.0;
            return true;
        }
    }
    std::from_chars_result read =
        std::from_chars(p, end, result, hex ? std::chars_format::hex : std::chars_format::general);
    if (read.ec == std::errc::result_out_of_range) {
        result = TooLarge(p, read.ptr, hex) ? HUGE_VAL : 0.0;
    } else if (read.ec != std::errc()) {
        return false;
    }
    *value = negative ? -result : result;
    return true;
}

// One "%d": white space, an optional sign, at least one digit. A value beyond int saturates
// instead of overflowing; it lies outside every range the caller accepts.
bool ReadInt(const char*& p, int* out) {
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return false;
    long long magnitude = 0;
    for (; IsDigit(*p); ++p) {
        if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative) {
        *out = magnitude > INT_MAX ? INT_MIN : static_cast<int>(-magnitude);
    } else {
        *out = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    }
    return true;
}

// "%d/%d/%d": a slash must follow each number at once; white space after it belongs to the next
// number and is skipped.
bool ReadDate(const char* p, int* day, int* month, int* year) {
    if (!ReadInt(p, day) || *p++ != '/') return false;
    if (!ReadInt(p, month) || *p++ != '/') return false;
    return ReadInt(p, year);
}

}  // namespace

int BoundedLength(const char* text, int limit) {
    if (text == nullptr) return 0;
    if (limit <= 0) return limit;
    // Byte by byte: the text need not be readable past its zero byte.
    for (int i = 0; i < limit; ++i) {
        if (text[i] == '\0') return i;
    }
    return limit;
}

uint8_t ToPrinterByte(uint8_t windows1250) {
    if (windows1250 <= 0x80) return windows1250;
    for (const auto& pair : kMazoviaTable) {
        if (pair[1] == windows1250) return pair[0];
    }
    return windows1250;
}

ResultCode ToPrinterText(int count, char* destination, const char* source) {
    if (destination == nullptr || source == nullptr || count == 0) return 9;
    for (int i = 0; i < count; ++i) {
        destination[i] = static_cast<char>(ToPrinterByte(static_cast<uint8_t>(source[i])));
    }
    return 0;
}

ResultCode FormatTextField(int length, int width, char* destination, const char* text, bool crEnded) {
    if (width < 0) width = 0;
    int n = EffectiveLength(length, text);
    if (n == 0) {
        std::memset(destination, ' ', static_cast<std::size_t>(width));
    } else {
        if (n > width) n = width;
        if (n > 0) ToPrinterText(n, destination, text);
    }
    if (crEnded) {
        destination[n] = '\r';
        destination[n + 1] = '\0';
    } else {
        std::memset(destination + n, ' ', static_cast<std::size_t>(width - n));
        destination[width] = '\0';
    }
    return 0;
}

ResultCode FormatNameField(int length, char* destination, const char* text) {
    int n = EffectiveLength(length, text);
    if (n > kNameWidth) n = kNameWidth;
    if (n > 0) ToPrinterText(n, destination, text);
    std::memset(destination + n, ' ', static_cast<std::size_t>(kNameWidth - n));
    destination[kNameWidth] = '\r';
    destination[kNameWidth + 1] = '\0';
    return 0;
}

ResultCode ParseAmount(int length, const char* text, int maxChars, char* workBuffer, double* value) {
    int n = EffectiveLength(length, text);
    if (n == 0 || n > maxChars || workBuffer == nullptr || value == nullptr) return 1;
    std::memcpy(workBuffer, text, static_cast<std::size_t>(n));
    workBuffer[n] = '\0';
    for (int i = 0; i < n; ++i) {
        if (workBuffer[i] == ',') workBuffer[i] = '.';
    }
    double result = 0;
    // NaN and the infinities would pass every range test the callers make.
    if (!ReadDouble(workBuffer, &result) || !std::isfinite(result)) return 1;
    *value = result;
    return 0;
}

int FormatAmount(double value, char* destination, std::size_t size) {
    // Large enough for every finite double in fixed notation with two decimals.
    char text[512];
    std::to_chars_result written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    std::size_t length = written.ec == std::errc() ? static_cast<std::size_t>(written.ptr - text) : 0;
    if (destination != nullptr && size > 0) {
        std::size_t copied = length < size ? length : size - 1;
        std::memcpy(destination, text, copied);
        destination[copied] = '\0';
    }
    return static_cast<int>(length);
}

ResultCode ParseDate(Platform& platform, int length, const char* text, int* day, int* month, int* year) {
    int n = EffectiveLength(length, text);
    if (n == 0) return 1;
    char* copy = static_cast<char*>(platform.Allocate(static_cast<std::size_t>(n) + 1));
    if (copy == nullptr) return 9;
    std::memcpy(copy, text, static_cast<std::size_t>(n));
    copy[n] = '\0';
    bool valid = ReadDate(copy, day, month, year) && *day >= 1 && *day <= 31 && *month >= 1 && *month <= 12 &&
                 *year >= 1950 && *year <= 2049;
    platform.Release(copy);
    return valid ? 0 : 1;
}

}  // namespace tarvik
