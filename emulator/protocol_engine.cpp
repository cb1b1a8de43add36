#include "emulator/protocol_engine.h"

#include <cctype>
#include <cstdio>

namespace tarvik::emu {
namespace {

// Commands that travel without a checksum: the error query and the display text family, whose
// text may itself end in hex digits, so nothing is ever stripped from them.
constexpr std::string_view kErrorQuery = "0#s";
constexpr std::string_view kDisplayText = "2$d";

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

std::vector<std::string> Observation::Payloads() const {
    std::vector<std::string> payloads;
    payloads.reserve(frames.size());
    for (const FrameRecord& frame : frames) payloads.push_back(frame.payload);
    return payloads;
}

std::string CommandFamily(std::string_view payload) {
    std::size_t i = 0;
    while (i < payload.size() && (std::isdigit(static_cast<unsigned char>(payload[i])) || payload[i] == ';')) ++i;
    if (i + 1 < payload.size() && (payload[i] == '$' || payload[i] == '#')) return std::string(payload.substr(i, 2));
    return {};
}

std::string Checksum(std::string_view payload) {
    unsigned sum = 0xFF;
    for (char c : payload) sum ^= static_cast<unsigned char>(c);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum & 0xFF);
    return hex;
}

std::uint8_t ProtocolEngine::DleStatus() const {
    return static_cast<std::uint8_t>(0x70 | (faults_.busy ? 0 : 0x04) | (faults_.paper_out ? 0x02 : 0) |
                                     (faults_.mechanism_error ? 0x01 : 0));
}

std::uint8_t ProtocolEngine::EnqStatus() const {
    return static_cast<std::uint8_t>(0x60 | (model_.FiscalMode() ? 0x08 : 0) | (last_error_ == 0 ? 0x04 : 0) |
                                     (model_.ReceiptInProgress() ? 0x02 : 0) |
                                     (model_.LastTransactionOk() ? 0x01 : 0));
}

std::string ProtocolEngine::Feed(std::string_view bytes) {
    std::string out;
    if (keep_history_) observed_.raw.append(bytes.data(), bytes.size());
    for (char c : bytes) Byte(static_cast<std::uint8_t>(c), out);
    return out;
}

void ProtocolEngine::StartFrame() {
    body_.clear();
    state_ = State::Frame;
}

void ProtocolEngine::Byte(std::uint8_t byte, std::string& out) {
    // CAN cuts whatever is being received, in any state.
    if (byte == kCan) {
        ++observed_.can_count;
        if (state_ == State::Frame || state_ == State::FrameEsc) ++observed_.dropped_frames;
        body_.clear();
        state_ = State::Idle;
        model_.Cancel();
        return;
    }
    switch (state_) {
    case State::Idle:
    case State::IdleEsc:
        if (state_ == State::IdleEsc && byte == 'P') {
            StartFrame();
        } else if (byte == kEsc) {
            state_ = State::IdleEsc;
        } else {
            state_ = State::Idle;
            // DLE and ENQ are answered between frames only: inside a frame they are text.
            if (byte == kDle || byte == kEnq) ControlByte(byte, out);
        }
        return;
    case State::Frame:
        if (byte == kEsc) {
            state_ = State::FrameEsc;
            return;
        }
        body_ += static_cast<char>(byte);
        break;
    case State::FrameEsc:
        if (byte == '\\') {
            state_ = State::Idle;
            FrameEnd(out);
            return;
        }
        if (byte == 'P') {
            // A new frame begins before the old one ended: the old one is lost.
            ++observed_.dropped_frames;
            StartFrame();
            return;
        }
        body_ += static_cast<char>(kEsc);
        if (byte == kEsc) break;  // the second ESC may still start the end
        body_ += static_cast<char>(byte);
        state_ = State::Frame;
        break;
    case State::Discard:
    case State::DiscardEsc:
        if (state_ == State::DiscardEsc && byte == '\\') state_ = State::Idle;
        else if (state_ == State::DiscardEsc && byte == 'P') StartFrame();
        else state_ = byte == kEsc ? State::DiscardEsc : State::Discard;
        return;
    }
    if (body_.size() > kMaxFrame) {
        // Overlong: the rest up to its end is skipped and the frame counts as not carried out.
        ++observed_.dropped_frames;
        body_.clear();
        last_error_ = kFrameNotCarriedOut;
        state_ = state_ == State::FrameEsc ? State::DiscardEsc : State::Discard;
    }
}

void ProtocolEngine::ControlByte(std::uint8_t byte, std::string& out) {
    if (byte == kDle) {
        ++observed_.dle_count;
        if (faults_.silent_dle) return;
        Answer(std::string(1, static_cast<char>(faults_.dle_answer.value_or(DleStatus()))), out);
    } else {
        ++observed_.enq_count;
        if (faults_.silent_enq) return;
        Answer(std::string(1, static_cast<char>(faults_.enq_answer.value_or(EnqStatus()))), out);
    }
}

void ProtocolEngine::Answer(const std::string& reply, std::string& out) const {
    out += faults_.garbage;
    out += reply;
}

void ProtocolEngine::FrameEnd(std::string& out) {
    FrameRecord record;
    record.body = body_;
    body_.clear();
    if (record.body == kErrorQuery) {
        record.payload = record.body;
        record.family = "#s";
        record.error = last_error_;
        if (!faults_.silent_query) {
            std::string reply = "\x1bP1#X" + std::to_string(last_error_);
            if (!faults_.truncate_query_reply) reply += "\x1b\\";
            Answer(reply, out);
        }
    } else {
        last_error_ = record.error = CarryOut(record.body, record);
    }
    ++observed_.family_counts[record.family];
    if (keep_history_) {
        ++observed_.payload_counts[record.payload];
        observed_.frames.push_back(std::move(record));
    }
}

int ProtocolEngine::CarryOut(const std::string& body, FrameRecord& record) {
    record.payload = body;
    bool checksum_ok = true;
    if (body.compare(0, kDisplayText.size(), kDisplayText) != 0) {
        // Everything else carries two upper-case hex digits of the checksum before the end.
        const std::size_t n = body.size() < 3 ? 0 : body.size() - 2;
        if (n > 0 && IsUpperHex(body[n]) && IsUpperHex(body[n + 1])) {
            record.payload = body.substr(0, n);
            checksum_ok = body.compare(n, 2, Checksum(record.payload)) == 0;
        } else {
            checksum_ok = false;
        }
    }
    record.family = CommandFamily(record.payload);
    // The error query is only ever taken bare; with a checksum it is a malformed frame.
    if (!checksum_ok || body.empty() || record.payload == kErrorQuery) return kFrameNotCarriedOut;
    if (auto injected = faults_.TakeInjectedError(record.family)) return *injected;
    return model_.Execute(record.payload);
}

}  // namespace tarvik::emu
