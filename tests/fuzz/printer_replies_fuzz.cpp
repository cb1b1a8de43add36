// Whatever the printer sends back, the driver reports a result and never reads or writes outside
// its buffers. The input is the byte stream on the line; its first byte picks the model.
#include <cstddef>
#include <cstdint>

#include "core/driver.h"
#include "core/readiness.h"
#include "fake_platform.h"
#include "services/status_word.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace tarvik;
    if (size == 0) return 0;
    testing::FakePlatform os;
    os.SetPort("COM1");
    os.Printer.SilentDle = os.Printer.SilentEnq = os.Printer.SilentErrorQuery = true;
    os.Port.PurgeKeepsInput = true;
    os.Incoming.assign(data + 1, data + size);
    DriverIdentity identity;
    identity.PrinterModel = data[0] % 6;
    Driver driver(os, identity);
    driver.Receipt.ClosePending = data[0] & 0x40;
    uint32_t word = 0;
    GetStatus(driver, &word);
    ConfirmCommand(driver, data[0] & 0x80);
    GetStatus(driver, nullptr);
    return 0;
}
