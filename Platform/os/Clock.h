#pragma once

#include <cstdint>

namespace vrx::os {

/// The millisecond tick count since the system started; it wraps at 2^32 ms (about 49.7 days).
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tickCount() = 0;
};

/// The Linux host's implementation (its file: ClockLinux.cpp).
Clock& hostClock();

} // namespace vrx::os
