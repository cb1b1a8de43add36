// The seam's line settings against the system's DCB, run under Wine by scripts/test-windows: the
// flag word must put every DCB bit field at its place in the DCB's own flag word (fNull above
// all, which decides whether NUL bytes from the printer survive), and the other fields must land
// in their DCB fields.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/win32/win32_serial_port.h"

namespace {

int g_failures = 0;

void Expect(bool ok, const char* what, unsigned value) {
    if (ok) return;
    ++g_failures;
    std::printf("  expected: %s (%u)\n", what, value);
}

// The DCB's bit fields, as the DWORD that follows BaudRate.
uint32_t RawFlags(const DCB& dcb) {
    uint32_t raw = 0;
    std::memcpy(&raw, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof dcb.BaudRate, sizeof raw);
    return raw;
}

DCB WithRawFlags(uint32_t raw) {
    DCB dcb{};
    std::memcpy(reinterpret_cast<char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof dcb.BaudRate, &raw, sizeof raw);
    return dcb;
}

}  // namespace

int main() {
    static_assert(sizeof(DCB) == 28, "the DCB the driver saves and restores");
    static_assert(sizeof(tarvik::LineSettings) == 24, "no padding: compared as bytes below");
    for (unsigned bit = 0; bit < 32; ++bit) {
        tarvik::LineSettings settings;
        settings.Flags = 1u << bit;
        Expect(RawFlags(tarvik::ToDcb(settings)) == settings.Flags, "flag bit to the same DCB bit", bit);
        Expect(tarvik::FromDcb(WithRawFlags(1u << bit)).Flags == 1u << bit, "DCB bit to the same flag bit", bit);
    }
    Expect(RawFlags(tarvik::ToDcb(tarvik::LineSettings{})) == 0, "no flag, no DCB bit", 0);

    tarvik::LineSettings s;
    s.Length = 28;
    s.BaudRate = 19200;
    s.XonLim = 128;
    s.XoffLim = 129;
    s.ByteSize = 7;
    s.Parity = 2;
    s.StopBits = 1;
    s.XonChar = 0x11;
    s.XoffChar = 0x13;
    s.ErrorChar = '?';
    s.EofChar = 0x1A;
    s.EvtChar = '\n';
    const DCB d = tarvik::ToDcb(s);
    Expect(d.DCBlength == 28 && d.BaudRate == 19200, "length and speed", d.BaudRate);
    Expect(d.XonLim == 128 && d.XoffLim == 129, "XonLim and XoffLim", d.XoffLim);
    Expect(d.ByteSize == 7 && d.Parity == 2 && d.StopBits == 1, "framing", d.ByteSize);
    Expect(d.XonChar == 0x11 && d.XoffChar == 0x13 && d.ErrorChar == '?' && d.EofChar == 0x1A && d.EvtChar == '\n',
           "special characters", static_cast<unsigned char>(d.EvtChar));
    const tarvik::LineSettings back = tarvik::FromDcb(d);
    Expect(std::memcmp(&back, &s, sizeof s) == 0, "settings unchanged through the DCB", 0);

    return g_failures ? 1 : 0;
}
