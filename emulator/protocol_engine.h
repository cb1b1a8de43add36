// The printer's side of the serial protocol. Bytes from the line go in; the bytes the printer
// answers come out. Frames are ESC 'P' payload [checksum] ESC '\'; DLE and ENQ between frames are
// answered with one status byte each; CAN drops a frame being received and cancels in the model.
//
// Error numbers the engine gives itself (all others come from the fiscal model or from faults):
//   2  frame not carried out: a command that needs a checksum came without one, with a wrong one
//      or with one not written as two upper-case hex digits; an empty frame; a frame that grew past
//      kMaxFrame bytes without its end (dropped).
// On the line: bytes outside frames other than DLE, ENQ and CAN are ignored; inside a frame DLE and
// ENQ are text (the driver asks only between frames), CAN drops the frame anywhere, and ESC 'P'
// before the end starts a new frame, the old one lost.
// Not thread-safe: the front end serialises access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/fault_plan.h"
#include "emulator/fiscal_backend.h"

namespace tarvik::emu {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kCan = 0x18;
constexpr std::size_t kMaxFrame = 4096;  // bytes between ESC 'P' and ESC '\'
constexpr int kFrameNotCarriedOut = 2;

// One frame as received.
struct FrameRecord {
    std::string body;        // everything between ESC 'P' and ESC '\'
    std::string payload;     // the command: body without a checksum that was checked off
    std::string family;      // "$l", "#e", "#s", ...; empty when the payload holds none
    int error = 0;           // the error number it left (the last error, for the error query)
};

// What arrived on the line.
struct Observation {
    std::string raw;                         // every byte received, in order
    std::vector<FrameRecord> frames;         // every complete frame, error queries included
    std::map<std::string, int> family_counts;  // frames per family
    std::map<std::string, int> payload_counts; // frames per exact payload ("1#e", "0#s", ...)
    int dle_count = 0;
    int enq_count = 0;
    int can_count = 0;
    int dropped_frames = 0;                  // overlong or cut by CAN

    std::vector<std::string> Payloads() const;
};

// The command letters of a payload: the first '$' or '#' after the leading numeric parameters,
// with the letter after it ("0;2$h..." -> "$h", "#r" -> "#r").
std::string CommandFamily(std::string_view payload);

// Two upper-case hex digits of the XOR of 0xFF and every payload byte.
std::string Checksum(std::string_view payload);

class ProtocolEngine {
public:
    explicit ProtocolEngine(FiscalBackend& model) : model_(model) {}

    // Takes bytes from the line, returns what the printer sends back (already including faults
    // such as garbage and cut replies; line speed and delays are the front end's).
    std::string Feed(std::string_view bytes);

    FaultPlan& Faults() { return faults_; }
    const FaultPlan& Faults() const { return faults_; }

    const Observation& Observed() const { return observed_; }
    void ClearObserved() { observed_ = Observation{}; }
    // Keep the raw bytes and frames (counts are always kept); off for a long-running program.
    void SetKeepHistory(bool keep) { keep_history_ = keep; }

    int LastError() const { return last_error_; }
    std::uint8_t DleStatus() const;
    std::uint8_t EnqStatus() const;

private:
    enum class State { Idle, IdleEsc, Frame, FrameEsc, Discard, DiscardEsc };

    void Byte(std::uint8_t byte, std::string& out);
    void ControlByte(std::uint8_t byte, std::string& out);
    void FrameEnd(std::string& out);
    void StartFrame();
    int CarryOut(const std::string& body, FrameRecord& record);
    void Answer(const std::string& reply, std::string& out) const;

    FiscalBackend& model_;
    FaultPlan faults_;
    Observation observed_;
    bool keep_history_ = true;
    State state_ = State::Idle;
    std::string body_;
    int last_error_ = 0;
};

}  // namespace tarvik::emu
