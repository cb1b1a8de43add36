// The closes that carry payments and deposits: the single "$x" and the staged "$b", "$y", "$z"
// sequence, with the closing section every close prints.
#include <cstdlib>

#include "emulator/model/field_rules.h"
#include "emulator/model/fiscal_model.h"
#include "emulator/model/mazovia.h"
#include "emulator/model/printer_errors.h"

namespace tarvik::emu {

namespace {

using Payments = std::vector<std::pair<std::string, std::int64_t>>;

constexpr std::size_t kSingleCloseParams = 11;
constexpr std::size_t kSingleCloseTexts = 9;      // six footer lines, then names of forms 1 to 3
constexpr std::size_t kSingleCloseFooter = 6;
constexpr std::size_t kStagedCloseParams = 12;    // without the listed payment forms
constexpr std::size_t kStagedCloseFooter = 3;

bool IsFlag(long value) { return value == 0 || value == 1; }

std::string FormName(const std::string& name, std::size_t index) {
    return name.empty() ? "FORMA PŁATNOŚCI " + std::to_string(index) : name;
}

// Reads `count` CR-ended texts of at most `width` bytes.
bool ReadTexts(FieldReader& fields, std::size_t count, std::size_t width,
               std::vector<std::string>& out) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto text = fields.Until('\r');
        if (!text || text->size() > width) return false;
        out.push_back(TrimRight(MazoviaToUtf8(*text)));
    }
    return true;
}

// Reads `count` amounts, each ended by '/'.
bool ReadAmounts(FieldReader& fields, std::size_t count, std::vector<std::int64_t>& out) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto text = fields.Until('/');
        const auto amount = text ? ParseMoney(*text) : std::nullopt;
        if (!amount) return false;
        out.push_back(*amount);
    }
    return true;
}

std::vector<std::string> NonEmpty(const std::vector<std::string>& lines, std::size_t count) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) {
        if (!lines[i].empty()) kept.push_back(lines[i]);
    }
    return kept;
}

}  // namespace

std::string FiscalModel::RateText(int letter) const {
    const int rate = TaxRate(letter);
    std::string text = std::to_string(rate / 100);
    if (rate % 100 != 0) {
        std::string decimals = std::to_string(rate % 100 + 100).substr(1);
        if (decimals.back() == '0') decimals.pop_back();
        text += "," + decimals;
    }
    return text + " %";
}

void FiscalModel::PrintTotals(const TaxTotals& totals) {
    for (int i = 0; i < kTaxLetters; ++i) {
        if (totals.gross[i] == 0) continue;
        const std::string letter(1, static_cast<char>('A' + i));
        if (i == kExemptLetter) {
            paper_.Pair("SPRZEDAŻ ZWOLNIONA " + letter, Money(totals.gross[i]));
            continue;
        }
        paper_.Pair("SPRZEDAŻ OPODATKOWANA " + letter, Money(totals.gross[i]));
        paper_.Pair("PTU " + letter + " " + RateText(i), Money(totals.tax[i]));
    }
    paper_.Pair("SUMA PTU", Money(totals.Tax()));
    paper_.Pair("SUMA PLN", Money(totals.Gross()));
}

void FiscalModel::FixTax() {
    TaxTotals& totals = receipt_.totals;
    for (int i = 0; i < kTaxLetters; ++i) {
        totals.tax[i] = i == kExemptLetter ? 0 : TaxIn(totals.gross[i], TaxRate(i));
    }
}

void FiscalModel::PrintSettlement(std::int64_t sold, std::int64_t returned,
                                  const Payments& payments, std::int64_t change) {
    PrintTotals(receipt_.totals);
    if (sold != 0) paper_.Pair("KAUCJE POBRANE", Money(sold));
    if (returned != 0) paper_.Pair("KAUCJE ZWRÓCONE", Money(-returned));
    if (sold != 0 || returned != 0) {
        paper_.Pair("DO ZAPŁATY", Money(receipt_.totals.Gross() + sold - returned));
    }
    for (const auto& [name, amount] : payments) paper_.Pair(name, Money(amount));
    if (change > 0) paper_.Pair("RESZTA", Money(change));
}

void FiscalModel::PrintDeposit(bool sold, long code, long count, std::int64_t amount) {
    const std::int64_t value = count * amount;
    paper_.Left(std::string(sold ? "KAUCJA POBRANA" : "KAUCJA ZWRÓCONA") + " KOD " +
                std::to_string(code));
    paper_.Pair(std::to_string(count) + " x " + Money(amount), Money(sold ? value : -value));
}

void FiscalModel::PrintFooter(const std::vector<std::string>& lines, const std::string& till) {
    for (const std::string& line : lines) paper_.Center(line);
    const std::string code = TrimRight(till);
    if (!code.empty()) paper_.Pair("KASA", code);
    if (!cashierName_.empty()) paper_.Pair("KASJER", cashierName_);
}

void FiscalModel::FinishReceipt() {
    dayTotals_ += receipt_.totals;
    ++dayReceipts_;
    lastTransactionOk_ = true;
    phase_ = Phase::None;
    receipt_ = Receipt{};
    paper_.EndDocument();
}

void FiscalModel::CancelReceipt() {
    paper_.Center("PARAGON ANULOWANY");
    ++dayCancelled_;
    lastTransactionOk_ = false;
    phase_ = Phase::None;
    receipt_ = Receipt{};
    paper_.EndDocument();
}

int FiscalModel::SingleClose(const Command& command) {
    const auto& params = command.params;
    if (params.size() != kSingleCloseParams) return err::kBadCommand;
    if (phase_ != Phase::Open) return err::kNoReceipt;
    for (const std::size_t flag : {4, 5, 6, 7, 10}) {
        if (!IsFlag(params[flag])) return err::kBadField;
    }
    FieldReader fields(command.rest);
    std::vector<std::string> texts;
    std::vector<std::int64_t> amounts;
    if (!ReadTexts(fields, kSingleCloseTexts, kNameLength, texts) ||
        !ReadAmounts(fields, 9, amounts) || !fields.AtEnd()) {
        return err::kBadField;
    }
    // Amount due, a field the driver leaves 0, forms 0 to 3, deposits, returns, change.
    const std::int64_t due = amounts[0];
    const std::int64_t sold = amounts[6];
    const std::int64_t returned = amounts[7];
    const std::int64_t sentChange = amounts[8];
    for (std::size_t i = 2; i < amounts.size(); ++i) {
        if (amounts[i] < 0 || amounts[i] > kMaxAmount) return err::kBadPrice;
    }
    const std::int64_t sum = receipt_.totals.Gross();
    if (std::llabs(due - sold + returned - sum) > kTolerance) return err::kBadTotal;

    const std::int64_t owed = sum + sold - returned;
    Payments payments;
    std::int64_t paid = 0;
    for (std::size_t form = 0; form < 4; ++form) {
        if (params[4 + form] == 0) continue;
        paid += amounts[2 + form];
        const std::string name =
            form == 0 ? "GOTÓWKA" : FormName(texts[kSingleCloseFooter + form - 1], form);
        payments.emplace_back(name, amounts[2 + form]);
    }
    std::int64_t change = 0;
    if (payments.empty()) {
        // No form flagged: the amount due is paid exactly in cash.
        if (owed > 0) payments.emplace_back("GOTÓWKA", owed);
    } else {
        if (paid < owed - kTolerance) return err::kBadPayment;
        change = paid > owed ? paid - owed : 0;
    }
    if (std::llabs(sentChange - change) > kTolerance) return err::kBadPayment;

    FixTax();
    PrintSettlement(sold, returned, payments, change);
    PrintFooter(NonEmpty(texts, kSingleCloseFooter), "");
    FinishReceipt();
    return err::kOk;
}

int FiscalModel::StagedClose(const Command& command) {
    const auto& params = command.params;
    if (params.size() < kStagedCloseParams) return err::kBadCommand;
    if (phase_ != Phase::Open) return err::kNoReceipt;
    // The forms listed between the eleventh and the last parameter.
    const std::size_t listed = params.size() - kStagedCloseParams;
    const bool withSold = params[5] == 1;
    const bool withReturned = params[6] == 1;
    if (!IsFlag(params[5]) || !IsFlag(params[6])) return err::kBadField;
    for (std::size_t i = 0; i < listed; ++i) {
        if (params[11 + i] < 0 || params[11 + i] >= static_cast<long>(receipt_.forms.size())) {
            return err::kBadField;
        }
    }
    // CR-ended texts: three footer lines, a name per listed form, two per kind of deposit.
    const std::size_t textCount =
        kStagedCloseFooter + listed + (withSold ? 2 : 0) + (withReturned ? 2 : 0);
    // Amounts: total, change, a field the driver leaves 0, cash, each listed form, change,
    // then the deposits and the returns when flagged.
    const std::size_t amountCount = 5 + listed + (withSold ? 1 : 0) + (withReturned ? 1 : 0);
    FieldReader fields(command.rest);
    std::vector<std::string> texts;
    std::vector<std::int64_t> amounts;
    if (!ReadTexts(fields, textCount, kNameLength, texts) ||
        !ReadAmounts(fields, amountCount, amounts) || !fields.AtEnd()) {
        return err::kBadField;
    }
    const std::int64_t total = amounts[0];
    const std::int64_t cash = amounts[3];
    const std::int64_t sold = withSold ? amounts[5 + listed] : 0;
    const std::int64_t returned = withReturned ? amounts[amountCount - 1] : 0;
    for (std::size_t i = 1; i < amounts.size(); ++i) {
        if (amounts[i] < 0 || amounts[i] > kMaxAmount) return err::kBadPrice;
    }
    const std::int64_t sum = receipt_.totals.Gross();
    if (std::llabs(total - sum) > kTolerance) return err::kBadTotal;

    const std::int64_t owed = sum + sold - returned;
    std::int64_t paid = cash;
    for (std::size_t i = 0; i < listed; ++i) paid += amounts[4 + i];
    Payments payments;
    std::int64_t change = 0;
    if (paid == 0) {
        // Nothing paid in the close itself: the amount due is paid exactly in cash.
        if (owed > 0) payments.emplace_back("GOTÓWKA", owed);
    } else {
        if (paid < owed - kTolerance) return err::kBadPayment;
        change = paid > owed ? paid - owed : 0;
        for (const std::int64_t sent : {amounts[1], amounts[4 + listed]}) {
            if (sent != 0 && std::llabs(sent - change) > kTolerance) return err::kBadPayment;
        }
        // The forms given with "$b" carry their names; otherwise what the close lists.
        for (std::size_t form = 0; form < receipt_.forms.size(); ++form) {
            const PaymentForm& registered = receipt_.forms[form];
            if (registered.used) {
                payments.emplace_back(FormName(registered.name, form), registered.amount);
            }
        }
        if (payments.empty()) {
            if (cash > 0) payments.emplace_back("GOTÓWKA", cash);
            for (std::size_t i = 0; i < listed; ++i) {
                const auto form = static_cast<std::size_t>(params[11 + i]);
                payments.emplace_back(FormName(texts[kStagedCloseFooter + i], form),
                                      amounts[4 + i]);
            }
        }
    }

    FixTax();
    PrintSettlement(sold, returned, payments, change);
    receipt_.footer = NonEmpty(texts, kStagedCloseFooter);
    phase_ = Phase::Settling;
    return err::kOk;
}

int FiscalModel::DepositLine(const Command& command) {
    const auto& params = command.params;
    if (params.empty()) return err::kBadCommand;
    const long function = params[0];
    const std::size_t expected = function == 28 ? 2 : 1;
    if (function != 4 && function != 8 && function != 12 && function != 28) return err::kBadField;
    if (params.size() != expected) return err::kBadCommand;
    if (phase_ != Phase::Settling) return err::kNoReceipt;

    if (function == 12 || function == 28) {
        if (!command.rest.empty() || (function == 28 && params[1] != 0)) return err::kBadField;
        // 12 ends the deposit lines; 28 ends the receipt.
        if (function == 28) {
            PrintFooter(receipt_.footer, "");
            FinishReceipt();
        }
        return err::kOk;
    }

    FieldReader fields(command.rest);
    const auto codeText = fields.Until('\r');
    const auto countText = fields.Until('\r');
    const auto amountText = fields.Until('/');
    if (!codeText || !countText || !amountText || !fields.AtEnd()) return err::kBadField;
    const auto code = ParseCount(*codeText);
    const auto count = ParseCount(*countText);
    const auto amount = ParseMoney(*amountText);
    if (const int error = CheckPack(code, count, amount)) return error;

    if (!receipt_.depositHeading) {
        paper_.Center("ROZLICZENIE KAUCJI");
        receipt_.depositHeading = true;
    }
    PrintDeposit(function == 4, *code, *count, *amount);
    return err::kOk;
}

}  // namespace tarvik::emu
