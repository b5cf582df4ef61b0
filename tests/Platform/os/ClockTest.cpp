#include "Platform/os/Clock.h"

#include "tests/support/FakeClock.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace vrx::os;

namespace {
std::uint32_t steadyMs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}
} // namespace

TEST(HostClock, IsTheMonotonicMillisecondCountCutTo32Bits) {
    const std::uint32_t before = steadyMs();
    const std::uint32_t tick = hostClock().tickCount();
    const std::uint32_t after = steadyMs();
    // Differences in unsigned 32-bit arithmetic stay correct across a wrap.
    EXPECT_LE(static_cast<std::uint32_t>(tick - before),
              static_cast<std::uint32_t>(after - before));
}

TEST(FakeClock, MovesOnlyByHandAndWrapsAt32Bits) {
    vrx::test::FakeClock clock(0xFFFFFFF0u);
    EXPECT_EQ(clock.tickCount(), 0xFFFFFFF0u);
    clock.advance(0x20);
    EXPECT_EQ(clock.tickCount(), 0x10u);
    clock.set(1000);
    EXPECT_EQ(clock.tickCount(), 1000u);
}
