// What the protocol engine needs of the printer's fiscal side. The program plugs in the real
// FiscalModel (fiscal_model_backend.h); tests plug in a small double, so the engine's handling of
// frames and control bytes can be checked without the fiscal rules behind it.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tarvik::emu {

class FiscalBackend {
public:
    virtual ~FiscalBackend() = default;

    // One payload, checksum already removed; returns the printer error number, 0 when carried out.
    virtual int Execute(const std::string& payload) = 0;
    // CAN on the line.
    virtual void Cancel() = 0;

    virtual bool ReceiptInProgress() const = 0;  // ENQ bit 1
    virtual bool LastTransactionOk() const = 0;  // ENQ bit 0
    virtual bool FiscalMode() const = 0;         // ENQ bit 3

    // Paper printed since the last call (UTF-8).
    virtual std::string TakePrinted() = 0;
    // Every finished document so far, oldest first.
    virtual const std::vector<std::string>& Documents() const = 0;
    virtual std::array<std::string, 2> Display() const = 0;
    virtual int DrawerOpenings() const = 0;
};

}  // namespace tarvik::emu
