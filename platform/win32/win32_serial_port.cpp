#include "platform/win32/win32_serial_port.h"

#include <utility>

namespace tarvik {
namespace {

// The size of COMMCONFIG that GetDefaultCommConfigA is given, in its size field and as its size
// argument.
constexpr DWORD kCommConfigSize = 52;
static_assert(sizeof(COMMCONFIG) == kCommConfigSize, "COMMCONFIG as the system declares it");

// Bit positions of the DCB's bit fields in the flag word.
constexpr int kBinary = 0;
constexpr int kParity = 1;
constexpr int kOutxCtsFlow = 2;
constexpr int kOutxDsrFlow = 3;
constexpr int kDtrControl = 4;  // 2 bits
constexpr int kDsrSensitivity = 6;
constexpr int kTxContinueOnXoff = 7;
constexpr int kOutX = 8;
constexpr int kInX = 9;
constexpr int kErrorChar = 10;
constexpr int kNull = 11;
constexpr int kRtsControl = 12;  // 2 bits
constexpr int kAbortOnError = 14;
constexpr int kDummy2 = 15;  // the remaining 17 bits

static_assert(line_flags::Null == 1u << kNull && line_flags::OutX == 1u << kOutX &&
                  line_flags::RtsControlMask == 3u << kRtsControl,
              "the seam's flag word keeps the DCB's bit positions");
static_assert(purge::TxAbort == PURGE_TXABORT && purge::RxAbort == PURGE_RXABORT && purge::TxClear == PURGE_TXCLEAR &&
                  purge::RxClear == PURGE_RXCLEAR,
              "the seam's purge flags are PurgeComm's");

uint32_t Bits(uint32_t flags, int position, uint32_t mask) { return (flags >> position) & mask; }

}  // namespace

LineSettings FromDcb(const DCB& dcb) {
    LineSettings s;
    s.Length = dcb.DCBlength;
    s.BaudRate = dcb.BaudRate;
    s.Flags = uint32_t{dcb.fBinary} << kBinary | uint32_t{dcb.fParity} << kParity |
              uint32_t{dcb.fOutxCtsFlow} << kOutxCtsFlow | uint32_t{dcb.fOutxDsrFlow} << kOutxDsrFlow |
              uint32_t{dcb.fDtrControl} << kDtrControl | uint32_t{dcb.fDsrSensitivity} << kDsrSensitivity |
              uint32_t{dcb.fTXContinueOnXoff} << kTxContinueOnXoff | uint32_t{dcb.fOutX} << kOutX |
              uint32_t{dcb.fInX} << kInX | uint32_t{dcb.fErrorChar} << kErrorChar | uint32_t{dcb.fNull} << kNull |
              uint32_t{dcb.fRtsControl} << kRtsControl | uint32_t{dcb.fAbortOnError} << kAbortOnError |
              uint32_t{dcb.fDummy2} << kDummy2;
    s.XonLim = dcb.XonLim;
    s.XoffLim = dcb.XoffLim;
    s.ByteSize = dcb.ByteSize;
    s.Parity = dcb.Parity;
    s.StopBits = dcb.StopBits;
    s.XonChar = dcb.XonChar;
    s.XoffChar = dcb.XoffChar;
    s.ErrorChar = dcb.ErrorChar;
    s.EofChar = dcb.EofChar;
    s.EvtChar = dcb.EvtChar;
    return s;
}

DCB ToDcb(const LineSettings& s) {
    DCB dcb{};
    dcb.DCBlength = s.Length;
    dcb.BaudRate = s.BaudRate;
    dcb.fBinary = Bits(s.Flags, kBinary, 1);
    dcb.fParity = Bits(s.Flags, kParity, 1);
    dcb.fOutxCtsFlow = Bits(s.Flags, kOutxCtsFlow, 1);
    dcb.fOutxDsrFlow = Bits(s.Flags, kOutxDsrFlow, 1);
    dcb.fDtrControl = Bits(s.Flags, kDtrControl, 3);
    dcb.fDsrSensitivity = Bits(s.Flags, kDsrSensitivity, 1);
    dcb.fTXContinueOnXoff = Bits(s.Flags, kTxContinueOnXoff, 1);
    dcb.fOutX = Bits(s.Flags, kOutX, 1);
    dcb.fInX = Bits(s.Flags, kInX, 1);
    dcb.fErrorChar = Bits(s.Flags, kErrorChar, 1);
    dcb.fNull = Bits(s.Flags, kNull, 1);
    dcb.fRtsControl = Bits(s.Flags, kRtsControl, 3);
    dcb.fAbortOnError = Bits(s.Flags, kAbortOnError, 1);
    dcb.fDummy2 = Bits(s.Flags, kDummy2, 0x1FFFF);
    dcb.XonLim = s.XonLim;
    dcb.XoffLim = s.XoffLim;
    dcb.ByteSize = s.ByteSize;
    dcb.Parity = s.Parity;
    dcb.StopBits = s.StopBits;
    dcb.XonChar = s.XonChar;
    dcb.XoffChar = s.XoffChar;
    dcb.ErrorChar = s.ErrorChar;
    dcb.EofChar = s.EofChar;
    dcb.EvtChar = s.EvtChar;
    return dcb;
}

Win32SerialPort::Win32SerialPort(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}

Win32SerialPort::~Win32SerialPort() { CloseHandle(handle_); }

bool Win32SerialPort::GetEventMask(uint32_t* mask) {
    DWORD value = 0;
    if (!GetCommMask(handle_, &value)) return false;
    *mask = value;
    return true;
}

bool Win32SerialPort::SetEventMask(uint32_t mask) { return SetCommMask(handle_, mask) != FALSE; }

bool Win32SerialPort::GetTimeouts(CommTimeouts* timeouts) {
    COMMTIMEOUTS t{};
    if (!GetCommTimeouts(handle_, &t)) return false;
    timeouts->ReadInterval = t.ReadIntervalTimeout;
    timeouts->ReadTotalMultiplier = t.ReadTotalTimeoutMultiplier;
    timeouts->ReadTotalConstant = t.ReadTotalTimeoutConstant;
    timeouts->WriteTotalMultiplier = t.WriteTotalTimeoutMultiplier;
    timeouts->WriteTotalConstant = t.WriteTotalTimeoutConstant;
    return true;
}

bool Win32SerialPort::SetTimeouts(const CommTimeouts& timeouts) {
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.ReadInterval;
    t.ReadTotalTimeoutMultiplier = timeouts.ReadTotalMultiplier;
    t.ReadTotalTimeoutConstant = timeouts.ReadTotalConstant;
    t.WriteTotalTimeoutMultiplier = timeouts.WriteTotalMultiplier;
    t.WriteTotalTimeoutConstant = timeouts.WriteTotalConstant;
    return SetCommTimeouts(handle_, &t) != FALSE;
}

bool Win32SerialPort::GetLineSettings(LineSettings* settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) return false;
    *settings = FromDcb(dcb);
    return true;
}

bool Win32SerialPort::GetDefaultLineSettings(LineSettings* settings) {
    COMMCONFIG config{};
    config.dwSize = kCommConfigSize;
    DWORD size = kCommConfigSize;
    if (!GetDefaultCommConfigA(name_.c_str(), &config, &size)) return false;
    *settings = FromDcb(config.dcb);
    return true;
}

bool Win32SerialPort::SetLineSettings(const LineSettings& settings) {
    DCB dcb = ToDcb(settings);
    return SetCommState(handle_, &dcb) != FALSE;
}

bool Win32SerialPort::SetQueueSizes(uint32_t input, uint32_t output) {
    return SetupComm(handle_, input, output) != FALSE;
}

bool Win32SerialPort::Purge(uint32_t flags) { return PurgeComm(handle_, flags) != FALSE; }

bool Win32SerialPort::RaiseDtr() { return EscapeCommFunction(handle_, SETDTR) != FALSE; }

bool Win32SerialPort::Write(const uint8_t* data, uint32_t length, uint32_t* written) {
    DWORD count = 0;
    const BOOL ok = WriteFile(handle_, data, length, &count, nullptr);
    *written = count;
    return ok != FALSE;
}

bool Win32SerialPort::ClearError() {
    DWORD errors = 0;
    return ClearCommError(handle_, &errors, nullptr) != FALSE;
}

bool Win32SerialPort::ReadByte(uint8_t* byte, uint32_t* count) {
    DWORD read = 0;
    const BOOL ok = ReadFile(handle_, byte, 1, &read, nullptr);
    *count = read;
    return ok != FALSE;
}

}  // namespace tarvik
