// The virtual printer's fiscal side: it carries out command payloads the way a fiscal printer
// does, keeps the receipt in progress, and prints documents onto a paper roll. The protocol engine
// hands it every payload except the error query; it knows nothing of frames, checksums or control
// bytes.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "emulator/model/paper.h"
#include "emulator/model/payload.h"
#include "emulator/model/tax_totals.h"

namespace tarvik::emu {

struct ModelOptions {
    // Tax rates A to G in hundredths of a percent; a negative value leaves the letter undefined
    // (sales at that rate are refused). Defaults: A 23 %, B 8 %, C 5 %, D 0 %, E, F undefined,
    // G exempt (stored as 0 but printed as "zw.").
    std::array<int, 7> TaxRates{2300, 800, 500, 0, -1, -1, 0};
    int MaxLines = 255;        // sale lines per receipt before error 23
    int Columns = 40;          // width of the paper roll
    std::string Header = "SKLEP TESTOWY\nul. Przykładowa 1\n00-001 Warszawa\nNIP 000-000-00-00";
};

class FiscalModel {
public:
    explicit FiscalModel(const ModelOptions& options = {});

    // Carries out one payload (the bytes between ESC 'P' and the checksum or the frame end, as
    // sent: Mazovia letters, CR and LF kept). Returns the printer error number, 0 when the command
    // was carried out.
    int Execute(const std::string& payload);

    // CAN on the line: the printer drops whatever it was composing; the receipt stays open.
    void Cancel();

    bool ReceiptInProgress() const;     // ENQ bit 1
    bool LastTransactionOk() const;     // ENQ bit 0: the last receipt was closed without error
    bool FiscalMode() const;            // ENQ bit 3

    // Paper printed since the last call, UTF-8, lines of at most Columns characters each ending
    // with "\n". Documents are separated by a line of '-' characters.
    std::string TakePrinted();

    // Each finished document (receipt, cancel notice, report, login, ...), UTF-8, in the order
    // printed; what a journal file keeps.
    const std::vector<std::string>& Documents() const;

    // The customer display's two lines of 20 characters, UTF-8, as last written.
    std::array<std::string, 2> Display() const;
    int DrawerOpenings() const;

    // The printer's clock, read for the clock on the display and the date of a daily report. By
    // default the host's local time; tests set a fixed one.
    void SetClock(std::function<std::tm()> clock);

private:
    // Open: sale lines and payments may follow. Settling: a staged close ("$y") has printed the
    // totals and waits for its deposit lines and the final "28;0$z".
    enum class Phase { None, Open, Settling };

    struct PaymentForm {
        bool used = false;
        std::string name;   // UTF-8, without the spaces that fill it
        std::int64_t amount = 0;
    };

    struct Receipt {
        int lines = 0;
        TaxTotals totals;
        std::int64_t depositsSold = 0;      // registered with "6$d" or a P line
        std::int64_t depositsReturned = 0;  // registered with "10$d" or a P line numbered 0
        std::array<PaymentForm, 8> forms;   // "$b"
        bool depositHeading = false;        // the staged close's deposit section has begun
        std::vector<std::string> footer;    // printed when the staged close ends
    };

    struct DailyRecord {
        int year = 0, month = 0, day = 0;
        TaxTotals totals;
        int receipts = 0;
        int cancelled = 0;
    };

    int Start(const Command& command);
    int OpenReceipt(const Command& command);
    int SaleLine(const Command& command);
    int PaymentLine(const Command& command);
    int PlainCloseOrCancel(const Command& command);
    int SingleClose(const Command& command);
    int StagedClose(const Command& command);
    int DepositLine(const Command& command);
    int Devices(const Command& command);
    int DepositPack(const Command& command);
    int DailyReport(const Command& command);
    int PeriodReport(const Command& command);
    int Login(const Command& command);

    int TaxRate(int letter) const;
    std::string RateText(int letter) const;
    void PrintTotals(const TaxTotals& totals);
    // The closing section every close prints: sums per rate, total, deposits and what was paid.
    void PrintSettlement(std::int64_t sold, std::int64_t returned,
                         const std::vector<std::pair<std::string, std::int64_t>>& payments,
                         std::int64_t change);
    void PrintDeposit(bool sold, long code, long count, std::int64_t amount);
    void PrintFooter(const std::vector<std::string>& lines, const std::string& till);
    void FixTax();
    void FinishReceipt();
    void CancelReceipt();

    ModelOptions options_;
    Paper paper_;
    std::function<std::tm()> clock_;

    Phase phase_ = Phase::None;
    Receipt receipt_;
    bool lastTransactionOk_ = false;

    std::array<std::string, 2> display_;
    int drawerOpenings_ = 0;
    std::string cashierName_;
    std::string cashierNumber_;

    // Since the last daily report, and every daily report for the period report.
    TaxTotals dayTotals_;
    int dayReceipts_ = 0;
    int dayCancelled_ = 0;
    std::vector<DailyRecord> dailyReports_;
};

}  // namespace tarvik::emu
