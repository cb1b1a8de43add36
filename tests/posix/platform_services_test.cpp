#include "platform/posix/posix_platform.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace tarvik {
namespace {

using posix::test::ReadFile;
using posix::test::ScopedEnv;
using posix::test::TempDir;
using posix::test::WriteFile;

TEST(TraceTest, FollowsTarvikTraceAtEachLine) {
    TempDir dir;
    WriteFile(dir.File("a.log"), "old\n");
    PosixPlatform platform;
    ScopedEnv trace("TARVIK_TRACE", dir.File("a.log"));
    platform.Trace("name: Port=>COM1");
    platform.Trace("FP_GETSTATUS");
    trace.Set(dir.File("b.log"));
    platform.Trace("FP_LOGIN");
    trace.Set(std::string());
    platform.Trace("empty: nowhere");
    trace.Set(std::nullopt);
    platform.Trace("unset: nowhere");
    EXPECT_EQ(ReadFile(dir.File("a.log")), "old\nname: Port=>COM1\nFP_GETSTATUS\n");
    EXPECT_EQ(ReadFile(dir.File("b.log")), "FP_LOGIN\n");
}

TEST(TraceTest, StandardError) {
    TempDir dir;
    int file = ::open(dir.File("stderr").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    int saved = ::dup(STDERR_FILENO);
    ::dup2(file, STDERR_FILENO);
    {
        ScopedEnv trace("TARVIK_TRACE", "stderr");
        PosixPlatform().Trace("FP_OPENRECEIPT: Sklep");
    }
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(file);
    EXPECT_EQ(ReadFile(dir.File("stderr")), "FP_OPENRECEIPT: Sklep\n");
}

TEST(PlatformServicesTest, SleepLastsAtLeastTheGivenTime) {
    auto start = std::chrono::steady_clock::now();
    PosixPlatform().Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(PlatformServicesTest, FileVersionPacksTheBuildNumbers) {
    uint32_t most = 0, least = 0;
    ASSERT_TRUE(PosixPlatform().FileVersion(&most, &least));
    EXPECT_EQ(most >> 16, uint32_t(TARVIK_FILE_VERSION_MAJOR));
    EXPECT_EQ(most & 0xFFFF, uint32_t(TARVIK_FILE_VERSION_MINOR));
    EXPECT_EQ(least >> 16, uint32_t(TARVIK_FILE_VERSION_BUILD));
    EXPECT_EQ(least & 0xFFFF, uint32_t(TARVIK_FILE_VERSION_REVISION));
}

}  // namespace
}  // namespace tarvik
