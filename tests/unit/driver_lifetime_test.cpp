#include <gtest/gtest.h>

#include "core/readiness.h"
#include "driver_fixture.h"

namespace tarvik::testing {
namespace {

class DriverLifetimeTest : public DriverTest {};

TEST_F(DriverLifetimeTest, LoadAndUnloadWithoutCallsHoldNoBuffer) {
    MakeDriver();
    EXPECT_EQ(D().Receipt.LineCounter, -1);
    for (const PaymentSlot& slot : D().Receipt.PaymentTable) EXPECT_LT(slot.FormIndex, 0);
    EXPECT_STREQ(D().TillCode, "   ");
    EXPECT_EQ(os.Allocations, 0);
    driver.reset();
    EXPECT_EQ(os.LiveBlocks, 0);
}

TEST_F(DriverLifetimeTest, UnloadWithThePortOpenRestoresAndClosesIt) {
    const LineSettings before = os.Port.Current;
    ASSERT_EQ(EnsureReady(D()), 0);
    EXPECT_TRUE(os.PortOpen);
    driver.reset();
    EXPECT_FALSE(os.PortOpen);
    EXPECT_EQ(os.Port.Current.BaudRate, before.BaudRate);
    EXPECT_EQ(os.LiveBlocks, 0);
}

TEST_F(DriverLifetimeTest, TextBuffersAreAllocatedOnceAndKeptOverARelease) {
    ASSERT_EQ(EnsureReady(D()), 0);
    const int allocations = os.Allocations;
    char* command = D().Text.CommandText;
    EXPECT_EQ(AllocateTextBuffers(os, D().Text), 0);
    EXPECT_EQ(os.Allocations, allocations);
    D().Link.ReleasePort();
    ASSERT_EQ(EnsureReady(D()), 0);
    EXPECT_EQ(D().Text.CommandText, command);
    EXPECT_EQ(os.Allocations, allocations + 2);  // only the link buffers again
}

TEST_F(DriverLifetimeTest, AFailedTextBufferAllocationKeepsNothingAndIsRetried) {
    for (int failing : {1, 6, 11}) {  // the command text, a field buffer, the last field buffer
        FakePlatform fresh;
        fresh.SetPort("COM1");
        fresh.FailAllocations = {failing};
        Driver d(fresh, IdentityFor(0));
        EXPECT_EQ(EnsureReady(d), 9) << failing;
        EXPECT_EQ(d.Text.BuffersReady, 0);
        EXPECT_EQ(d.Text.CommandText, nullptr);
        for (char* field : d.Text.FieldBuffers) EXPECT_EQ(field, nullptr);
        EXPECT_EQ(fresh.LiveBlocks, 0);
        EXPECT_EQ(fresh.Opens, 0);
        EXPECT_EQ(EnsureReady(d), 0) << failing;
        EXPECT_NE(d.Text.FieldBuffers[9], nullptr);
    }
}

}  // namespace
}  // namespace tarvik::testing
