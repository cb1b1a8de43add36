#include "fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarvik::testing {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(FakePlatform& os) : os_(os) { os_.PortOpen = true; }
    ~FakeSerialPort() override { os_.PortOpen = false; }

    bool GetEventMask(uint32_t* mask) override {
        if (!os_.Port.GetMaskWorks) return false;
        *mask = os_.Port.EventMask;
        return true;
    }
    bool SetEventMask(uint32_t mask) override {
        os_.Port.EventMask = mask;
        os_.AppliedMasks.push_back(mask);
        return true;
    }
    bool GetTimeouts(CommTimeouts* timeouts) override {
        if (!os_.Port.GetTimeoutsWorks) return false;
        *timeouts = os_.Port.Timeouts;
        return true;
    }
    bool SetTimeouts(const CommTimeouts& timeouts) override {
        os_.Port.Timeouts = timeouts;
        os_.AppliedTimeouts.push_back(timeouts);
        return true;
    }
    bool GetLineSettings(LineSettings* settings) override {
        if (!os_.Port.GetStateWorks) return false;
        *settings = os_.Port.Current;
        return true;
    }
    bool GetDefaultLineSettings(LineSettings* settings) override {
        if (!os_.Port.DefaultAvailable) return false;
        *settings = os_.Port.Default;
        return true;
    }
    bool SetLineSettings(const LineSettings& settings) override {
        if (!os_.Port.SetStateWorks) return false;
        os_.Port.Current = settings;
        os_.AppliedSettings.push_back(settings);
        return true;
    }
    bool SetQueueSizes(uint32_t, uint32_t) override { return true; }
    bool Purge(uint32_t flags) override {
        os_.Purges.push_back(flags);
        if (!os_.Port.PurgeWorks) return false;
        if ((flags & purge::RxClear) && !os_.Port.PurgeKeepsInput) os_.Incoming.clear();
        return true;
    }
    bool RaiseDtr() override {
        ++os_.DtrRaised;
        return true;
    }
    bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        *written = 0;
        if (os_.Port.WriteFails) return false;
        const uint32_t count = length > os_.Port.WriteShortBy ? length - os_.Port.WriteShortBy : 0;
        os_.Receive(data, count);
        *written = count;
        return true;
    }
    bool ClearError() override { return true; }
    bool ReadByte(uint8_t* byte, uint32_t* count) override {
        *count = 0;
        if (os_.Port.ReadFails) return false;
        if (os_.Incoming.empty()) {
            // Nothing comes: the read waits out its total time-out for one byte.
            os_.NowMs += os_.Port.Timeouts.ReadTotalMultiplier + os_.Port.Timeouts.ReadTotalConstant;
            return true;
        }
        *byte = os_.Incoming.front();
        os_.Incoming.pop_front();
        *count = 1;
        return true;
    }

private:
    FakePlatform& os_;
};

}  // namespace

std::string ErrorReply(const std::string& afterHead) { return std::string("\x1bP1#X") + afterHead; }

FakePlatform::FakePlatform() {
    Port.Default.BaudRate = 9600;
    Port.Default.Flags = line_flags::Binary | line_flags::Null;
    Port.Default.XonLim = 2048;
    Port.Default.XoffLim = 512;
    Port.Current = Port.Default;
    Port.Current.BaudRate = 19200;
    Port.Timeouts.ReadTotalConstant = 50;
}

FakePlatform::~FakePlatform() = default;

std::unique_ptr<SerialPort> FakePlatform::OpenSerial(const std::string& name) {
    if (!ExistingPorts.count(name) || HeldByOthers.count(name) || PortOpen) return nullptr;
    ++Opens;
    return std::make_unique<FakeSerialPort>(*this);
}

bool FakePlatform::QueryRegistryValue(Hive hive, const std::string& keyPath, const std::string& valueName,
                                      uint32_t* type, uint8_t* data, uint32_t* size) {
    const auto it = registry_.find({hive, Lower(keyPath), Lower(valueName)});
    if (it == registry_.end()) return false;
    const std::vector<uint8_t>& bytes = it->second.second;
    if (bytes.size() > *size) return false;
    *type = it->second.first;
    std::copy(bytes.begin(), bytes.end(), data);
    *size = static_cast<uint32_t>(bytes.size());
    return true;
}

void FakePlatform::Sleep(uint32_t milliseconds) {
    Sleeps.push_back(milliseconds);
    NowMs += milliseconds;
}

bool FakePlatform::FileVersion(uint32_t* mostSignificant, uint32_t* leastSignificant) {
    if (!VersionReadable) return false;
    *mostSignificant = VersionMs;
    *leastSignificant = VersionLs;
    return true;
}

void* FakePlatform::Allocate(std::size_t size) {
    ++Allocations;
    if (FailAllAllocations || FailAllocations.count(Allocations)) return nullptr;
    ++LiveBlocks;
    return std::malloc(size);
}

void FakePlatform::Release(void* block) {
    if (!block) return;
    --LiveBlocks;
    std::free(block);
}

void FakePlatform::SetString(Hive hive, const std::string& key, const std::string& name, const std::string& text,
                             uint32_t type) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(hive, key, name, type, std::move(data));
}

void FakePlatform::SetValue(Hive hive, const std::string& key, const std::string& name, uint32_t type,
                            std::vector<uint8_t> data) {
    registry_[{hive, Lower(key), Lower(name)}] = {type, std::move(data)};
}

void FakePlatform::Answer(const std::string& bytes) { Incoming.insert(Incoming.end(), bytes.begin(), bytes.end()); }

void FakePlatform::Receive(const uint8_t* data, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        const uint8_t byte = data[i];
        Printer.Written.push_back(byte);
        const bool frameStart = byte == 0x1B && i + 1 < length && data[i + 1] == 'P';
        if (inFrame_ && !frameStart) {
            frame_.push_back(byte);
            const std::size_t n = frame_.size();
            if (n >= 2 && frame_[n - 2] == 0x1B && frame_[n - 1] == '\\') {
                const std::string payload(frame_.begin(), frame_.end() - 2);
                Printer.Events.push_back("F:" + payload);
                inFrame_ = false;
                frame_.clear();
                if (payload == "0#s" && !Printer.SilentErrorQuery) {
                    if (!Printer.ErrorReplies.empty()) {
                        Answer(Printer.ErrorReplies.front());
                        Printer.ErrorReplies.pop_front();
                    } else {
                        Answer(ErrorReply(std::to_string(Printer.ErrorNumber) + "\x1b\\"));
                    }
                }
            }
            continue;
        }
        if (frameStart) {  // also where a frame cut short is followed by a new one
            inFrame_ = true;
            frame_.clear();
            ++i;
            Printer.Written.push_back('P');
            continue;
        }
        switch (byte) {
            case 0x10:
                Printer.Events.push_back("DLE");
                if (Printer.SilentDle) break;
                if (!Printer.DleAnswers.empty()) {
                    Incoming.push_back(Printer.DleAnswers.front());
                    Printer.DleAnswers.pop_front();
                } else {
                    Incoming.push_back(Printer.DleAnswer);
                }
                break;
            case 0x05:
                Printer.Events.push_back("ENQ");
                if (Printer.SilentEnq) break;
                if (!Printer.EnqAnswers.empty()) {
                    Incoming.push_back(Printer.EnqAnswers.front());
                    Printer.EnqAnswers.pop_front();
                } else {
                    Incoming.push_back(Printer.EnqAnswer);
                }
                break;
            case 0x18: Printer.Events.push_back("CAN"); break;
            default: {
                char text[8];
                std::snprintf(text, sizeof text, "?%02X", byte);
                Printer.Events.push_back(text);
            }
        }
    }
}

}  // namespace tarvik::testing
