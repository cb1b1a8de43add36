// A driver on the fake platform, with the port configured and the printer answering as a healthy
// one does.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "core/driver.h"
#include "fake_platform.h"

namespace tarvik::testing {

inline DriverIdentity IdentityFor(int32_t modelCode) {
    DriverIdentity identity;
    identity.PrinterModel = modelCode;
    identity.Description = "Sterownik testowy";
    identity.ShortName = "Test";
    return identity;
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest() { os.SetPort("COM1"); }

    Driver& MakeDriver(int32_t modelCode = 0) {
        driver = std::make_unique<Driver>(os, IdentityFor(modelCode));
        return *driver;
    }
    Driver& D() {
        if (!driver) MakeDriver();
        return *driver;
    }
    // Forget what the printer has seen so far.
    void ClearLine() {
        os.Printer.Events.clear();
        os.Printer.Written.clear();
    }

    FakePlatform os;
    std::unique_ptr<Driver> driver;
};

}  // namespace tarvik::testing
