// The real fiscal model behind the protocol engine.
#pragma once

#include "emulator/fiscal_backend.h"
#include "emulator/model/fiscal_model.h"

namespace tarvik::emu {

class FiscalModelBackend : public FiscalBackend {
public:
    explicit FiscalModelBackend(const ModelOptions& options = {}) : model_(options) {}

    int Execute(const std::string& payload) override { return model_.Execute(payload); }
    void Cancel() override { model_.Cancel(); }
    bool ReceiptInProgress() const override { return model_.ReceiptInProgress(); }
    bool LastTransactionOk() const override { return model_.LastTransactionOk(); }
    bool FiscalMode() const override { return model_.FiscalMode(); }
    std::string TakePrinted() override { return model_.TakePrinted(); }
    const std::vector<std::string>& Documents() const override { return model_.Documents(); }
    std::array<std::string, 2> Display() const override { return model_.Display(); }
    int DrawerOpenings() const override { return model_.DrawerOpenings(); }

private:
    FiscalModel model_;
};

}  // namespace tarvik::emu
