// Faults the virtual printer can be told to show: silence, wrong answer bytes, noise, cut replies,
// slow output, refused commands, status bits and a dropped line. The same plan is set from command
// line flags, from the control channel of the running program and from tests, through one small
// text language (Apply) or directly through the fields.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace tarvik::emu {

struct FaultPlan {
    // Answers left out.
    bool silent_dle = false;
    bool silent_enq = false;
    bool silent_query = false;  // no reply to the error query

    // A fixed byte answering DLE or ENQ in place of the real status.
    std::optional<std::uint8_t> dle_answer;
    std::optional<std::uint8_t> enq_answer;

    // Bytes sent in front of every answer (control-byte answers and error-query replies).
    std::string garbage;

    // The error-query reply goes out without its closing ESC '\'.
    bool truncate_query_reply = false;

    // Extra time per byte sent, on top of the line speed.
    int byte_delay_ms = 0;

    // DLE status bits: busy clears bit 2, paper_out sets bit 1, mechanism_error sets bit 0.
    bool busy = false;
    bool paper_out = false;
    bool mechanism_error = false;

    // The line is down: the pseudo-terminal is closed, the device is gone until this is cleared.
    bool hangup = false;

    // Refused commands: the next `next_error_count` commands get `next_error`; every command of a
    // family ("$l", "#e", ...) gets the number mapped to it. The command is then not carried out.
    int next_error = 0;
    int next_error_count = 0;
    std::map<std::string, int> family_errors;

    // The error number injected for a command of this family, if any; uses up one of the "next N".
    // The error query never comes here, and the start command ("#e") only meets family errors.
    std::optional<int> TakeInjectedError(const std::string& family);

    // Carries out one line of the control language (see Help). Returns false with a message for a
    // line it does not understand; "status" answers with Describe() in the message.
    bool Apply(const std::string& line, std::string* message);

    // The faults in force, one per line; "no faults" when there are none.
    std::string Describe() const;

    // The control language, for --help.
    static const char* Help();
};

}  // namespace tarvik::emu
