// Opening a receipt, its sale lines, payment forms and deposit packs; the plain close and cancel.
#include <cstdlib>

#include "emulator/model/field_rules.h"
#include "emulator/model/fiscal_model.h"
#include "emulator/model/mazovia.h"
#include "emulator/model/printer_errors.h"

namespace tarvik::emu {

namespace {

constexpr char kPackLetter = 'P';   // a returnable pack sent as a sale line
constexpr long kMaxHeaderLines = 3;
constexpr long kMaxFooterLines = 3;

}  // namespace

int FiscalModel::TaxRate(int letter) const {
    return letter >= 0 && letter < kTaxLetters ? options_.TaxRates[letter] : -1;
}

int FiscalModel::OpenReceipt(const Command& command) {
    const auto& params = command.params;
    if (params.empty() || params.size() > 2) return err::kBadCommand;
    if (phase_ != Phase::None) return err::kReceiptInProgress;
    const long count = params.size() == 2 ? params[1] : 0;
    if (params[0] != 0 || count < 0 || count > kMaxHeaderLines) return err::kBadField;
    FieldReader fields(command.rest);
    std::vector<std::string> lines;
    for (long i = 0; i < count; ++i) {
        const auto line = fields.Until('\r');
        if (!line || line->size() > kNameLength) return err::kBadField;
        lines.push_back(MazoviaToUtf8(*line));
    }
    if (!fields.AtEnd()) return err::kBadField;

    phase_ = Phase::Open;
    receipt_ = Receipt{};
    lastTransactionOk_ = false;
    std::size_t start = 0;
    while (start < options_.Header.size()) {
        std::size_t end = options_.Header.find('\n', start);
        if (end == std::string::npos) end = options_.Header.size();
        paper_.Center(options_.Header.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& line : lines) paper_.Center(line);
    paper_.Center("PARAGON FISKALNY");
    return err::kOk;
}

int FiscalModel::SaleLine(const Command& command) {
    if (command.params.size() != 1) return err::kBadCommand;
    if (phase_ != Phase::Open) return err::kNoReceipt;
    if (receipt_.lines >= options_.MaxLines) return err::kTooManyLines;

    FieldReader fields(command.rest);
    const auto name = fields.Until('\r');
    const auto quantityText = fields.Until('\r');
    const auto letter = fields.Byte();
    const auto slash = fields.Byte();
    const auto priceText = fields.Until('/');
    const auto valueText = fields.Until('/');
    if (command.params[0] < 0 || !name || !quantityText || !letter || slash != '/' || !priceText ||
        !valueText || !fields.AtEnd()) {
        return err::kBadField;
    }
    const auto quantity = ParseQuantity(*quantityText);
    const auto price = ParseMoney(*priceText);
    const auto value = ParseMoney(*valueText);
    if (!quantity || !price || !value) return err::kBadField;

    const std::string itemName = TrimRight(MazoviaToUtf8(*name));
    if (itemName.empty() || name->size() > kNameLength) return err::kBadName;
    if (quantity->units <= 0 || quantity->units > kMaxQuantity) return err::kBadQuantity;
    const bool pack = *letter == kPackLetter;
    const int rateIndex = *letter - 'A';
    if (!pack && TaxRate(rateIndex) < 0) return err::kBadTaxRate;
    if (*price <= 0 || *price > kMaxAmount || *value <= 0 || *value > kMaxAmount) {
        return err::kBadPrice;
    }
    if (std::llabs(LineValue(quantity->units, *price) - *value) > kTolerance) return err::kBadValue;

    ++receipt_.lines;
    const bool returned = pack && command.params[0] == 0;
    std::string amount = Money(*value);
    if (!pack) {
        receipt_.totals.gross[rateIndex] += *value;
        amount += std::string(" ") + *letter;
    } else if (returned) {
        receipt_.depositsReturned += *value;
        amount = Money(-*value);
    } else {
        receipt_.depositsSold += *value;
    }
    paper_.Left(pack ? (returned ? "KAUCJA ZWRÓCONA " : "KAUCJA POBRANA ") + itemName : itemName);
    const std::string unit = TrimRight(MazoviaToUtf8(quantity->unit));
    paper_.Pair(QuantityText(quantity->units) + (unit.empty() ? "" : " " + unit) + " x " +
                    Money(*price),
                amount);
    return err::kOk;
}

int FiscalModel::PaymentLine(const Command& command) {
    const auto& params = command.params;
    if (params.size() != 2) return err::kBadCommand;
    if (phase_ != Phase::Open) return err::kNoReceipt;
    FieldReader fields(command.rest);
    const auto amountText = fields.Until('/');
    const auto name = fields.Until('\r');
    if (params[0] != 1 || params[1] < 0 || params[1] >= static_cast<long>(receipt_.forms.size()) ||
        !amountText || !name || name->size() > kFormNameLength || !fields.AtEnd()) {
        return err::kBadField;
    }
    const auto amount = ParseMoney(*amountText);
    if (!amount) return err::kBadField;
    if (*amount < 0 || *amount > kMaxPayment) return err::kBadPrice;

    PaymentForm& form = receipt_.forms[params[1]];
    if (!form.used) {
        form.used = true;
        form.name = TrimRight(MazoviaToUtf8(*name));
    }
    form.amount += *amount;
    return err::kOk;
}

int FiscalModel::DepositPack(const Command& command) {
    if (phase_ != Phase::Open) return err::kNoReceipt;
    FieldReader fields(command.rest);
    const auto amountText = fields.Until('/');
    const auto codeText = fields.Until('\r');
    const auto countText = fields.Until('\r');
    if (!amountText || !codeText || !countText || !fields.AtEnd()) return err::kBadField;
    const auto amount = ParseMoney(*amountText);
    const auto code = ParseCount(*codeText);
    const auto count = ParseCount(*countText);
    if (const int error = CheckPack(code, count, amount)) return error;

    // The amount is read as the unit price, the form every deliverable sends.
    const bool sold = command.params[0] == 6;
    (sold ? receipt_.depositsSold : receipt_.depositsReturned) += *count * *amount;
    PrintDeposit(sold, *code, *count, *amount);
    return err::kOk;
}

int FiscalModel::PlainCloseOrCancel(const Command& command) {
    const auto& params = command.params;
    if (params.size() == 1) {
        if (params[0] != 0 || !command.rest.empty()) return err::kBadField;
        // A cancel with nothing to cancel is carried out as a no-op, so that a host may cancel
        // whenever it is unsure.
        if (phase_ != Phase::None) CancelReceipt();
        return err::kOk;
    }
    if (params.size() != 6) return err::kBadCommand;
    if (phase_ != Phase::Open) return err::kNoReceipt;
    if (params[0] != 1 || params[2] < 0 || params[2] > kMaxFooterLines) return err::kBadField;

    FieldReader fields(command.rest);
    const auto till = fields.Until('\r');
    if (!till || till->size() > kTillCodeLength) return err::kBadField;
    std::vector<std::string> footer;
    for (long i = 0; i < params[2]; ++i) {
        const auto line = fields.Until('\r');
        if (!line || line->size() > kNameLength) return err::kBadField;
        footer.push_back(MazoviaToUtf8(*line));
    }
    const auto cashText = fields.Until('/');
    const auto totalText = fields.Until('/');
    if (!cashText || !totalText || !fields.AtEnd()) return err::kBadField;
    const auto cash = ParseMoney(*cashText);
    const auto total = ParseMoney(*totalText);
    if (!cash || !total) return err::kBadField;

    const std::int64_t sum = receipt_.totals.Gross();
    if (std::llabs(*total - sum) > kTolerance) return err::kBadTotal;
    if (*cash < 0 || *cash > kMaxAmount) return err::kBadPrice;
    // Deposits registered with the receipt are paid with it; cash 0 means paid exactly.
    const std::int64_t due = sum + receipt_.depositsSold - receipt_.depositsReturned;
    if (*cash > 0 && *cash < due - kTolerance) return err::kBadPayment;

    std::vector<std::pair<std::string, std::int64_t>> payments;
    const std::int64_t paid = *cash > 0 ? *cash : due;
    if (paid > 0) payments.emplace_back("GOTÓWKA", paid);
    FixTax();
    PrintSettlement(receipt_.depositsSold, receipt_.depositsReturned, payments,
                    paid > due ? paid - due : 0);
    PrintFooter(footer, MazoviaToUtf8(*till));
    FinishReceipt();
    return err::kOk;
}

}  // namespace tarvik::emu
