// The one seam between the driver and the operating system. Core, receipt and services code
// reach the serial port, the settings hives, the trace, sleeping and the library's own file
// version only through these interfaces; posix/ and win32/ implement them, and the tests give the
// driver a fake one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace tarvik {

// Read and write time-outs in the meaning of the Win32 COMMTIMEOUTS record, in milliseconds.
// A read of n bytes waits at most ReadTotalMultiplier * n + ReadTotalConstant in all and at most
// ReadInterval between two bytes; a write of n bytes at most WriteTotalMultiplier * n +
// WriteTotalConstant. Zero in a total field means no total limit.
struct CommTimeouts {
    uint32_t ReadInterval = 0;
    uint32_t ReadTotalMultiplier = 0;
    uint32_t ReadTotalConstant = 0;
    uint32_t WriteTotalMultiplier = 0;
    uint32_t WriteTotalConstant = 0;
};

// Line settings in the meaning of the Win32 DCB record (28 bytes there). Flags holds the DCB's bit
// fields at their DCB positions; the ones the driver touches are named below.
struct LineSettings {
    uint32_t Length = 28;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

namespace line_flags {
constexpr uint32_t Binary = 0x0001;
constexpr uint32_t Parity = 0x0002;
constexpr uint32_t OutxCtsFlow = 0x0004;
constexpr uint32_t OutxDsrFlow = 0x0008;
constexpr uint32_t DtrControlMask = 0x0030;
constexpr uint32_t OutX = 0x0100;
constexpr uint32_t InX = 0x0200;
constexpr uint32_t Null = 0x0800;  // set: received NUL bytes are thrown away
constexpr uint32_t RtsControlMask = 0x3000;
constexpr uint32_t RtsHandshake = 0x2000;
}  // namespace line_flags

// Purge flags, as PurgeComm takes them.
namespace purge {
constexpr uint32_t TxAbort = 0x1;
constexpr uint32_t RxAbort = 0x2;
constexpr uint32_t TxClear = 0x4;
constexpr uint32_t RxClear = 0x8;
}  // namespace purge

// An open serial port. Every operation is one request to the system and reports whether the
// system carried it out; none of them throws.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual bool GetEventMask(uint32_t* mask) = 0;
    virtual bool SetEventMask(uint32_t mask) = 0;
    virtual bool GetTimeouts(CommTimeouts* timeouts) = 0;
    virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;
    virtual bool GetLineSettings(LineSettings* settings) = 0;
    // The system's default line settings of this port; false when the system has none.
    virtual bool GetDefaultLineSettings(LineSettings* settings) = 0;
    virtual bool SetLineSettings(const LineSettings& settings) = 0;
    virtual bool SetQueueSizes(uint32_t input, uint32_t output) = 0;
    virtual bool Purge(uint32_t flags) = 0;
    virtual bool RaiseDtr() = 0;
    // Writes within the write time-outs; *written receives the number of bytes that went out.
    virtual bool Write(const uint8_t* data, uint32_t length, uint32_t* written) = 0;
    virtual bool ClearError() = 0;
    // Reads one byte within the read time-outs. Returns false on a read error; otherwise true,
    // with *count 1 when a byte arrived and 0 when the time-outs ran out first.
    virtual bool ReadByte(uint8_t* byte, uint32_t* count) = 0;
};

enum class Hive { CurrentUser, LocalMachine };

// Registry value types, with the Win32 numbers.
namespace reg_type {
constexpr uint32_t None = 0;
constexpr uint32_t Sz = 1;
constexpr uint32_t ExpandSz = 2;
constexpr uint32_t Binary = 3;
constexpr uint32_t Dword = 4;
constexpr uint32_t MultiSz = 7;
}  // namespace reg_type

class Platform {
public:
    virtual ~Platform() = default;

    // Opens the port by name for exclusive use; null when it cannot be opened (no such port, held
    // by another process, refused).
    virtual std::unique_ptr<SerialPort> OpenSerial(const std::string& name) = 0;

    // Reads one value of a key in a hive into data, whose capacity goes in through *size; *size
    // comes back as the number of bytes stored. False when the key or the value does not exist,
    // cannot be read, or does not fit.
    virtual bool QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName,
                                    uint32_t* type, uint8_t* data, uint32_t* size) = 0;

    // One line of the debug trace.
    virtual void Trace(const std::string& line) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    // The fixed file version of the library's own file, as the two 32-bit halves of the version
    // resource (major in the high 16 bits of mostSignificant). False when it cannot be read.
    virtual bool FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) = 0;

    // Every buffer the driver holds comes from here, so that a test can refuse one.
    virtual void* Allocate(std::size_t size) { return std::malloc(size); }
    virtual void Release(void* block) { std::free(block); }
};

}  // namespace tarvik
