// A stand-in for the fiscal model: it records what it was asked, answers with the error numbers a
// test sets, and "prints" each payload it carries out as one line of paper. A command of the "$e"
// family finishes a document, so paper and journal can be followed without the fiscal rules.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/fiscal_backend.h"
#include "emulator/protocol_engine.h"

namespace tarvik::emu::testing {

class FakeFiscalBackend : public FiscalBackend {
public:
    int Execute(const std::string& payload) override {
        std::lock_guard<std::mutex> lock(mu_);
        executed_.push_back(payload);
        auto it = results_.find(payload);
        if (it != results_.end()) return it->second;
        printed_ += payload + "\n";
        document_ += payload + "\n";
        if (CommandFamily(payload) == "$e") {
            documents_.push_back(document_);
            document_.clear();
        }
        return 0;
    }
    void Cancel() override { ++cancels; }
    bool ReceiptInProgress() const override { return receipt; }
    bool LastTransactionOk() const override { return last_ok; }
    bool FiscalMode() const override { return fiscal; }
    std::string TakePrinted() override {
        std::lock_guard<std::mutex> lock(mu_);
        std::string paper;
        paper.swap(printed_);
        return paper;
    }
    const std::vector<std::string>& Documents() const override { return documents_; }
    std::array<std::string, 2> Display() const override { return {}; }
    int DrawerOpenings() const override { return 0; }

    // The error number for one exact payload (set before the printer runs).
    void Refuse(const std::string& payload, int error) {
        std::lock_guard<std::mutex> lock(mu_);
        results_[payload] = error;
    }
    std::vector<std::string> Executed() const {
        std::lock_guard<std::mutex> lock(mu_);
        return executed_;
    }

    std::atomic<bool> receipt{false};
    std::atomic<bool> last_ok{false};
    std::atomic<bool> fiscal{false};
    std::atomic<int> cancels{0};

private:
    mutable std::mutex mu_;
    std::vector<std::string> executed_;
    std::map<std::string, int> results_;
    std::string printed_, document_;
    std::vector<std::string> documents_;
};

// ESC 'P' payload [checksum] ESC '\', as the driver sends it.
inline std::string Frame(const std::string& payload, bool with_checksum = true) {
    return "\x1bP" + payload + (with_checksum ? Checksum(payload) : std::string()) + "\x1b\\";
}

inline std::string QueryReply(int error) { return "\x1bP1#X" + std::to_string(error) + "\x1b\\"; }

}  // namespace tarvik::emu::testing
