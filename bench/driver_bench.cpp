// What the driver costs beyond the line itself: composing a frame, a whole confirmed exchange and a
// status reading against a printer that answers at once, and reading a settings file.
#include <benchmark/benchmark.h>

#include <string>

#include "core/driver.h"
#include "core/frames.h"
#include "core/readiness.h"
#include "fake_platform.h"
#include "platform/posix/reg_file.h"
#include "services/status_word.h"

namespace {

using tarvik::testing::FakePlatform;

struct Ready {
    Ready() : driver(os, Identity()) {
        os.SetPort("COM1");
        tarvik::EnsureReady(driver);
    }
    static tarvik::DriverIdentity Identity() { return {}; }
    FakePlatform os;
    tarvik::Driver driver;
};

void BM_BuildFrame(benchmark::State& state) {
    Ready r;
    const std::string payload(static_cast<std::size_t>(state.range(0)), 'A');
    for (auto _ : state) benchmark::DoNotOptimize(tarvik::BuildFrame(r.driver.Link, payload.c_str(), 1));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildFrame)->Arg(3)->Arg(128)->Arg(255);

void BM_ConfirmCommand(benchmark::State& state) {
    Ready r;
    for (auto _ : state) {
        r.os.Printer.Events.clear();
        r.os.Printer.Written.clear();
        benchmark::DoNotOptimize(tarvik::ConfirmCommand(r.driver, 1));
    }
}
BENCHMARK(BM_ConfirmCommand);

void BM_GetStatus(benchmark::State& state) {
    Ready r;
    uint32_t word = 0;
    for (auto _ : state) {
        r.os.Printer.Events.clear();
        r.os.Printer.Written.clear();
        benchmark::DoNotOptimize(tarvik::GetStatus(r.driver, &word));
        r.os.TraceLines.clear();
    }
}
BENCHMARK(BM_GetStatus);

void BM_ParseRegFile(benchmark::State& state) {
    std::string file = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int key = 0; key < 50; ++key) {
        file += "[HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(key) + "]\r\n";
        file += "\"Name\"=\"value " + std::to_string(key) + "\"\r\n\"Data\"=hex:01,02,03,04,05,06,07,08\r\n";
    }
    file += "[HKEY_CURRENT_USER\\Software\\Korvan\\Tarvik]\r\n\"Port\"=\"COM1\"\r\n";
    for (auto _ : state) {
        const auto parsed = tarvik::posix::RegFile::Parse(file);
        benchmark::DoNotOptimize(parsed.Find("HKEY_CURRENT_USER\\Software\\Korvan\\Tarvik", "Port"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_ParseRegFile);

}  // namespace
