#include "Platform/os/Clock.h"

#include <ctime>

namespace vrx::os {

namespace {

class LinuxClock final : public Clock {
public:
    std::uint32_t tickCount() override {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                        static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
        // Truncated to 32 bits, so the count wraps after 2^32 ms as the platform's does.
        return static_cast<std::uint32_t>(ms);
    }
};

} // namespace

Clock& hostClock() {
    static LinuxClock clock;
    return clock;
}

} // namespace vrx::os
