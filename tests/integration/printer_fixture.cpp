#include "tests/integration/printer_fixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "emulator/fiscal_model_backend.h"

namespace tarvik::integration {

void PrinterTest::SetUp() {
    char pattern[] = "/tmp/tarvik-it-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    emu::FrontEndOptions options;
    options.link_path = LinkPath();
    printer = std::make_unique<emu::PtyFrontEnd>(std::make_unique<emu::FiscalModelBackend>(), options);
    std::string error;
    ASSERT_TRUE(printer->Start(&error)) << error;
    setenv("TARVIK_USER_REG", (dir_ + "/user.reg").c_str(), 1);
    setenv("TARVIK_MACHINE_REG", (dir_ + "/machine.reg").c_str(), 1);
    setenv("TARVIK_TRACE", (dir_ + "/trace.log").c_str(), 1);
    SetPort(LinkPath());
}

void PrinterTest::TearDown() {
    driver.reset();  // the unload step lets the port go before the printer stops
    if (printer) printer->Stop();
    unsetenv("TARVIK_USER_REG");
    unsetenv("TARVIK_MACHINE_REG");
    unsetenv("TARVIK_TRACE");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

DriverLibrary& PrinterTest::Load(const Deliverable& deliverable) {
    driver = std::make_unique<DriverLibrary>(deliverable);
    EXPECT_TRUE(driver->Loaded()) << driver->Error();
    return *driver;
}

void PrinterTest::SetPort(const std::string& port) {
    std::ofstream(dir_ + "/user.reg") << "Windows Registry Editor Version 5.00\n\n"
                                      << "[HKEY_CURRENT_USER\\Software\\Korvan\\Tarvik]\n"
                                      << "\"Port\"=\"" << port << "\"\n";
}

void PrinterTest::Fault(const std::string& line) {
    std::string message;
    ASSERT_TRUE(printer->Control(line, &message)) << line << ": " << message;
}

void PrinterTest::AwaitDevice(bool present) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (printer->DevicePath().empty() == present) {
        ASSERT_LT(std::chrono::steady_clock::now(), until) << "the printer's line did not change";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<std::string> PrinterTest::TraceLines() const {
    std::ifstream in(dir_ + "/trace.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace tarvik::integration
