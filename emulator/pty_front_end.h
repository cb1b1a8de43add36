// The virtual printer on a pseudo-terminal. It holds the master side; the driver opens the slave
// side as its serial port. One thread moves the bytes: what arrives goes through the protocol
// engine, answers go back paced like a serial line. All public calls are thread-safe, so a test
// can run the printer in-process, set faults while the driver talks to it and look at what came.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/fault_plan.h"
#include "emulator/fiscal_backend.h"
#include "emulator/journal.h"
#include "emulator/protocol_engine.h"
#include "emulator/wire_log.h"

namespace tarvik::emu {

struct FrontEndOptions {
    std::string link_path;     // a symlink to the device, kept pointing at the current one
    int baud = 0;              // answers go out as fast as a line of this speed (10 bits a byte); 0: at once
    std::string wire_log_path; // every byte both ways, with times
    std::string journal_path;  // every finished document
    bool keep_history = true;  // keep raw bytes, frames and paper for Observed() and Paper()
    // Called on the printer's thread, without its lock held.
    std::function<void(const std::string&)> on_paper;   // paper as it is printed
    std::function<void(const std::string&)> on_device;  // a new device after "hangup off"
};

class PtyFrontEnd {
public:
    explicit PtyFrontEnd(std::unique_ptr<FiscalBackend> model, FrontEndOptions options = {});
    ~PtyFrontEnd();
    PtyFrontEnd(const PtyFrontEnd&) = delete;
    PtyFrontEnd& operator=(const PtyFrontEnd&) = delete;

    // Creates the pseudo-terminal (and the link) and starts the thread.
    bool Start(std::string* error);
    // Stops the thread, closes the line, removes the link. Safe to call twice.
    void Stop();

    // The slave device, such as /dev/pts/3; empty while the line is hung up.
    std::string DevicePath() const;

    // One line of the fault language (FaultPlan::Apply).
    bool Control(const std::string& line, std::string* message = nullptr);
    void EditFaults(const std::function<void(FaultPlan&)>& edit);
    FaultPlan Faults() const;

    Observation Observed() const;
    int FamilyCount(const std::string& family) const;   // "#e", "$l", "#s", ...
    int PayloadCount(const std::string& payload) const; // "1#e", ...
    void ClearObserved();
    // Waits until `done` holds for what was received, at most `timeout`.
    bool WaitFor(const std::function<bool(const Observation&)>& done, std::chrono::milliseconds timeout) const;

    int LastError() const;
    std::string Paper() const;  // everything printed since the start (with keep_history)
    std::vector<std::string> Documents() const;
    std::array<std::string, 2> Display() const;
    int DrawerOpenings() const;

private:
    using Clock = std::chrono::steady_clock;

    bool OpenLine(std::string* error);
    void CloseLine();
    void MoveLink(const std::string& device);
    void Run();
    void ReadLine();
    void SendDue(Clock::time_point now, Clock::duration interval);
    void Wake();

    std::unique_ptr<FiscalBackend> model_;
    FrontEndOptions options_;

    mutable std::mutex mu_;
    mutable std::condition_variable changed_;
    ProtocolEngine engine_;  // guarded by mu_, with the model behind it
    std::string paper_;
    std::size_t documents_seen_ = 0;
    std::string device_;
    bool stop_ = false;

    // The printer thread's own.
    std::thread thread_;
    int master_ = -1;
    int wake_[2] = {-1, -1};
    bool line_down_ = false;
    std::deque<char> out_;
    Clock::time_point origin_;
    Clock::duration origin_interval_{};
    long sent_since_origin_ = 0;
    bool want_write_ = false;
    WireLog wire_log_;
    Journal journal_;
};

}  // namespace tarvik::emu
