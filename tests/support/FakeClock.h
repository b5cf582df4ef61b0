#pragma once

#include "Platform/os/Clock.h"

namespace vrx::test {

/// A tick count that moves only when the test moves it; it wraps at 2^32 ms as the real one.
class FakeClock final : public os::Clock {
public:
    explicit FakeClock(std::uint32_t start = 0) : now_(start) {}

    std::uint32_t tickCount() override { return now_; }
    void set(std::uint32_t ms) { now_ = ms; }
    void advance(std::uint32_t ms) { now_ += ms; } // unsigned arithmetic wraps

private:
    std::uint32_t now_ = 0;
};

} // namespace vrx::test
