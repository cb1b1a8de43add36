// The daily report ("#r") and the report over a period ("#o").
#include "emulator/model/fiscal_model.h"
#include "emulator/model/printer_errors.h"

namespace tarvik::emu {

namespace {

struct Date {
    int year = 0, month = 0, day = 0;

    bool operator<=(const Date& other) const {
        if (year != other.year) return year < other.year;
        if (month != other.month) return month < other.month;
        return day <= other.day;
    }
};

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Two-digit years as the driver sends them: 50 to 99 are 1950 to 1999, 00 to 49 are 2000 to 2049.
bool ReadDate(long yy, long mm, long dd, Date& out) {
    if (yy < 0 || yy > 99 || mm < 1 || mm > 12 || dd < 1) return false;
    out.year = static_cast<int>(yy >= 50 ? 1900 + yy : 2000 + yy);
    out.month = static_cast<int>(mm);
    out.day = static_cast<int>(dd);
    return dd <= DaysInMonth(out.year, out.month);
}

std::string Padded(int value, std::size_t width) {
    std::string text = std::to_string(value);
    return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
}

std::string DateText(const Date& date) {
    return Padded(date.year, 4) + "-" + Padded(date.month, 2) + "-" + Padded(date.day, 2);
}

}  // namespace

int FiscalModel::DailyReport(const Command& command) {
    if (!command.params.empty()) return err::kBadCommand;
    if (phase_ != Phase::None) return err::kReceiptInProgress;
    if (!command.rest.empty()) return err::kBadField;

    const std::tm now = clock_();
    DailyRecord record;
    record.year = now.tm_year + 1900;
    record.month = now.tm_mon + 1;
    record.day = now.tm_mday;
    record.totals = dayTotals_;
    record.receipts = dayReceipts_;
    record.cancelled = dayCancelled_;
    dailyReports_.push_back(record);

    paper_.Center("RAPORT FISKALNY DOBOWY");
    paper_.Pair("DATA", DateText({record.year, record.month, record.day}));
    paper_.Pair("NR RAPORTU", Padded(static_cast<int>(dailyReports_.size()), 4));
    PrintTotals(record.totals);
    paper_.Pair("LICZBA PARAGONÓW", std::to_string(record.receipts));
    paper_.Pair("PARAGONY ANULOWANE", std::to_string(record.cancelled));
    paper_.EndDocument();

    dayTotals_ = TaxTotals{};
    dayReceipts_ = 0;
    dayCancelled_ = 0;
    return err::kOk;
}

int FiscalModel::PeriodReport(const Command& command) {
    const auto& p = command.params;
    if (p.size() != 6) return err::kBadCommand;
    if (phase_ != Phase::None) return err::kReceiptInProgress;
    if (!command.rest.empty()) return err::kBadField;
    Date from;
    Date to;
    if (!ReadDate(p[0], p[1], p[2], from) || !ReadDate(p[3], p[4], p[5], to) || !(from <= to)) {
        return err::kBadDate;
    }

    TaxTotals totals;
    int reports = 0;
    int receipts = 0;
    int cancelled = 0;
    for (const DailyRecord& record : dailyReports_) {
        const Date date{record.year, record.month, record.day};
        if (!(from <= date) || !(date <= to)) continue;
        totals += record.totals;
        ++reports;
        receipts += record.receipts;
        cancelled += record.cancelled;
    }

    paper_.Center("RAPORT FISKALNY OKRESOWY");
    paper_.Pair("OD", DateText(from));
    paper_.Pair("DO", DateText(to));
    paper_.Pair("RAPORTY DOBOWE", std::to_string(reports));
    PrintTotals(totals);
    paper_.Pair("LICZBA PARAGONÓW", std::to_string(receipts));
    paper_.Pair("PARAGONY ANULOWANE", std::to_string(cancelled));
    paper_.EndDocument();
    return err::kOk;
}

}  // namespace tarvik::emu
