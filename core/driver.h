// One Driver per loaded library holds all process-wide state; each member is owned by the
// component named beside it. Entry points only unpack their arguments and call into it.
#pragma once

#include <string>

#include "core/driver_identity.h"
#include "core/serial_link.h"
#include "core/text_buffers.h"
#include "platform/platform.h"
#include "receipt/receipt_state.h"

namespace tarvik {

class Driver {
public:
    // The load step: identity fixed, payment table created with every slot empty; no buffer, no
    // port.
    Driver(Platform& platform, const DriverIdentity& identity);
    // The unload step: the port restored and closed if still open, every buffer released.
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    void Trace(const std::string& line) { Os.Trace(line); }
    int32_t Model() const { return Identity.PrinterModel; }

    Platform& Os;
    const DriverIdentity Identity;
    TextBuffers Text;          // command composition (text buffers)
    SerialLink Link;           // the port state and link buffers (serial link)
    ReceiptState Receipt;      // receipt bookkeeping and status flags
    char TillCode[4] = "   ";  // cashier login
};

}  // namespace tarvik
