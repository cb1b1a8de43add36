// The virtual printer's fiscal side: it carries out command payloads the way a fiscal printer
// does, keeps the receipt in progress, and prints documents onto a paper roll. The protocol engine
// hands it every payload except the error query; it knows nothing of frames, checksums or control
// bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
};

}  // namespace tarvik::emu
