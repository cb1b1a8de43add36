#include "emulator/model/fiscal_model.h"

#include "emulator/model/mazovia.h"
#include "emulator/model/printer_errors.h"

namespace tarvik::emu {

namespace {

constexpr std::size_t kDisplayWidth = 20;
constexpr std::size_t kCashierNameLength = 32;
constexpr std::size_t kCashierNumberLength = 8;

std::tm LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string TwoDigits(int value) {
    return std::string(value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

FiscalModel::FiscalModel(const ModelOptions& options)
    : options_(options), paper_(options.Columns), clock_(LocalTime) {
    display_.fill(std::string(kDisplayWidth, ' '));
}

int FiscalModel::Execute(const std::string& payload) {
    const auto command = SplitCommand(payload);
    if (!command) return err::kBadCommand;
    const std::string& code = command->code;
    if (code == "#e") return Start(*command);
    if (code == "$h") return OpenReceipt(*command);
    if (code == "$l") return SaleLine(*command);
    if (code == "$e") return PlainCloseOrCancel(*command);
    if (code == "$d") return Devices(*command);
    if (code == "$b") return PaymentLine(*command);
    if (code == "$x") return SingleClose(*command);
    if (code == "$y") return StagedClose(*command);
    if (code == "$z") return DepositLine(*command);
    if (code == "#r") return DailyReport(*command);
    if (code == "#o") return PeriodReport(*command);
    if (code == "#p") return Login(*command);
    return err::kBadCommand;
}

void FiscalModel::Cancel() {
    // Payloads reach the model whole, so nothing is ever half composed here: dropping a partial
    // frame is the protocol engine's business, and the receipt stays as it is.
}

bool FiscalModel::ReceiptInProgress() const { return phase_ != Phase::None; }
bool FiscalModel::LastTransactionOk() const { return lastTransactionOk_; }
bool FiscalModel::FiscalMode() const { return true; }

std::string FiscalModel::TakePrinted() { return paper_.Take(); }

const std::vector<std::string>& FiscalModel::Documents() const { return paper_.Documents(); }

std::array<std::string, 2> FiscalModel::Display() const { return display_; }

int FiscalModel::DrawerOpenings() const { return drawerOpenings_; }

void FiscalModel::SetClock(std::function<std::tm()> clock) { clock_ = std::move(clock); }

int FiscalModel::Start(const Command& command) {
    if (command.params.size() != 1) return err::kBadCommand;
    if (command.params[0] != 1 || !command.rest.empty()) return err::kBadField;
    return err::kOk;
}

int FiscalModel::Devices(const Command& command) {
    if (command.params.size() != 1) return err::kBadCommand;
    switch (command.params[0]) {
        case 1:
            if (!command.rest.empty()) return err::kBadField;
            ++drawerOpenings_;
            return err::kOk;
        case 2: {
            const std::string& rest = command.rest;
            if (rest.empty() || rest[0] != '\f') return err::kBadField;
            if (rest.size() == 1) {
                display_.fill(std::string(kDisplayWidth, ' '));
                return err::kOk;
            }
            const std::size_t split = rest.find("\r\n");
            if (split == std::string::npos) return err::kBadField;
            const std::string first = rest.substr(1, split - 1);
            const std::string second = rest.substr(split + 2);
            if (first.size() > kDisplayWidth || second.size() > kDisplayWidth ||
                second.find_first_of("\r\n") != std::string::npos) {
                return err::kBadField;
            }
            display_ = {FitUtf8(MazoviaToUtf8(first), kDisplayWidth),
                        FitUtf8(MazoviaToUtf8(second), kDisplayWidth)};
            return err::kOk;
        }
        case 3: {
            if (!command.rest.empty()) return err::kBadField;
            const std::tm now = clock_();
            const std::string date = std::to_string(now.tm_year + 1900) + "-" +
                                     TwoDigits(now.tm_mon + 1) + "-" + TwoDigits(now.tm_mday);
            const std::string time = TwoDigits(now.tm_hour) + ":" + TwoDigits(now.tm_min);
            display_ = {FitUtf8(date, kDisplayWidth), FitUtf8(time, kDisplayWidth)};
            return err::kOk;
        }
        case 6:
        case 10:
            return DepositPack(command);
        default:
            return err::kBadField;
    }
}

int FiscalModel::Login(const Command& command) {
    if (command.params.size() != 1) return err::kBadCommand;
    if (phase_ != Phase::None) return err::kReceiptInProgress;
    FieldReader fields(command.rest);
    const auto name = fields.Until('\r');
    const auto number = fields.Until('\r');
    if (command.params[0] != 0 || !name || !number || !fields.AtEnd()) return err::kBadField;
    if (name->size() > kCashierNameLength || number->size() > kCashierNumberLength) {
        return err::kBadCashier;
    }
    cashierName_ = MazoviaToUtf8(*name);
    cashierNumber_ = MazoviaToUtf8(*number);
    paper_.Center("LOGOWANIE KASJERA");
    paper_.Pair("KASJER", cashierName_);
    paper_.Pair("NUMER", cashierNumber_);
    paper_.EndDocument();
    return err::kOk;
}

}  // namespace tarvik::emu
