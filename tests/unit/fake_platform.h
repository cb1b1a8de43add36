// A platform for unit tests: a scripted printer on the serial line, virtual time, in-memory hives,
// a captured trace and allocation failure on demand. Every time-out and pause advances the virtual
// clock instead of waiting.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace tarvik::testing {

// What the printer on the far end of the line answers. Control bytes are answered at once; frames
// are recorded and only the error query is answered.
struct FakePrinter {
    uint8_t DleAnswer = 0x74;           // online, no fault
    uint8_t EnqAnswer = 0x64;           // last command carried out
    std::deque<uint8_t> DleAnswers;     // used first, one per DLE
    std::deque<uint8_t> EnqAnswers;     // used first, one per ENQ
    int ErrorNumber = 0;                // answered to "0#s" as ESC P 1 # X <n> ESC '\'
    std::deque<std::string> ErrorReplies;  // used first, raw bytes, one per error query
    bool SilentDle = false;
    bool SilentEnq = false;
    bool SilentErrorQuery = false;

    // What arrived, in order: "DLE", "ENQ", "CAN", "F:<payload and checksum>", or "?xx" for a byte
    // outside a frame.
    std::vector<std::string> Events;
    std::vector<uint8_t> Written;
};

struct FakePortSettings {
    bool DefaultAvailable = true;
    LineSettings Default;
    LineSettings Current;
    bool GetMaskWorks = true;
    bool GetTimeoutsWorks = true;
    bool GetStateWorks = true;
    bool SetStateWorks = true;
    bool PurgeWorks = true;
    bool WriteFails = false;
    uint32_t WriteShortBy = 0;
    bool ReadFails = false;
    bool PurgeKeepsInput = false;  // a printer that talks whenever it likes
    uint32_t EventMask = 0x1FF;
    CommTimeouts Timeouts;
};

class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    std::unique_ptr<SerialPort> OpenSerial(const std::string& name) override;
    bool QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName, uint32_t* type,
                            uint8_t* data, uint32_t* size) override;
    void Trace(const std::string& line) override { TraceLines.push_back(line); }
    void Sleep(uint32_t milliseconds) override;
    bool FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) override;
    void* Allocate(std::size_t size) override;
    void Release(void* block) override;

    // Settings: a string value (with its zero byte, as the registry stores it) or raw bytes.
    void SetString(Hive hive, const std::string& key, const std::string& name, const std::string& text,
                   uint32_t type = reg_type::Sz);
    void SetValue(Hive hive, const std::string& key, const std::string& name, uint32_t type,
                  std::vector<uint8_t> data);
    void SetPort(const std::string& name) { SetString(Hive::CurrentUser, "Software\\Korvan\\Tarvik", "Port", name); }

    // The line and the printer.
    std::set<std::string> ExistingPorts{"COM1"};
    std::set<std::string> HeldByOthers;
    FakePrinter Printer;
    FakePortSettings Port;
    std::deque<uint8_t> Incoming;  // bytes waiting to be read
    int Opens = 0;
    bool PortOpen = false;
    std::vector<uint32_t> Purges;
    std::vector<LineSettings> AppliedSettings;
    std::vector<CommTimeouts> AppliedTimeouts;
    std::vector<uint32_t> AppliedMasks;
    int DtrRaised = 0;

    // Virtual time in milliseconds, and the pauses the driver asked for.
    uint64_t NowMs = 0;
    std::vector<uint32_t> Sleeps;

    std::vector<std::string> TraceLines;

    // Allocation: the calls are numbered from 1; those in FailAllocations return null.
    std::set<int> FailAllocations;
    bool FailAllAllocations = false;
    int Allocations = 0;
    int LiveBlocks = 0;

    bool VersionReadable = true;
    uint32_t VersionMs = (1u << 16) | 4;
    uint32_t VersionLs = (2u << 16) | 35;

    // Called by the fake port.
    void Receive(const uint8_t* data, uint32_t length);

private:
    void Answer(const std::string& bytes);

    std::map<std::tuple<Hive, std::string, std::string>, std::pair<uint32_t, std::vector<uint8_t>>> registry_;
    std::vector<uint8_t> frame_;  // a frame being received
    bool inFrame_ = false;
};

std::string ErrorReply(const std::string& afterHead);

}  // namespace tarvik::testing
