// The virtual printer on a pseudo-terminal, settings hives that point the driver's Port at it and
// a trace file, all in a temporary folder that lives for one test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/pty_front_end.h"
#include "tests/integration/driver_library.h"

namespace tarvik::integration {

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a deliverable; the test fails at once if it cannot be loaded.
    DriverLibrary& Load(const Deliverable& deliverable = Quenda());
    // Points the per-user Port setting at a device (the printer's link by default).
    void SetPort(const std::string& port);
    void Fault(const std::string& line);
    // The printer's thread carries a hang-up out on its own time: wait until the device is gone
    // (present false) or there again with the link pointing at it.
    void AwaitDevice(bool present);
    std::vector<std::string> TraceLines() const;
    std::string LinkPath() const { return dir_ + "/printer"; }

    std::unique_ptr<emu::PtyFrontEnd> printer;
    std::unique_ptr<DriverLibrary> driver;

private:
    std::string dir_;
};

}  // namespace tarvik::integration
