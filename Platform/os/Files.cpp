#include "Platform/os/Files.h"

#include <chrono>

namespace vrx::os {

bool fileTimeToSystemTime(const FileTime& fileTime, SystemTime& systemTime) {
    using namespace std::chrono;
    const std::uint64_t ticks =
        (std::uint64_t{fileTime.dwHighDateTime} << 32) | fileTime.dwLowDateTime;
    // The platform refuses times with the top bit set (they would be negative).
    if (ticks > 0x7FFFFFFFFFFFFFFFull) {
        setLastError(error::kInvalidParameter);
        return false;
    }
    constexpr std::uint64_t kTicksPerMs = 10'000;
    constexpr std::uint64_t kMsPerDay = 86'400'000;
    const std::uint64_t ms = ticks / kTicksPerMs;
    const auto dayCount = static_cast<int>(ms / kMsPerDay);
    std::uint64_t msOfDay = ms % kMsPerDay;

    const sys_days day = sys_days(year{1601} / January / 1) + days{dayCount};
    const year_month_day date(day);
    systemTime.wYear = static_cast<std::uint16_t>(static_cast<int>(date.year()));
    systemTime.wMonth = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
    systemTime.wDay = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
    systemTime.wDayOfWeek = static_cast<std::uint16_t>(weekday(day).c_encoding()); // 0 Sunday
    systemTime.wHour = static_cast<std::uint16_t>(msOfDay / 3'600'000);
    msOfDay %= 3'600'000;
    systemTime.wMinute = static_cast<std::uint16_t>(msOfDay / 60'000);
    msOfDay %= 60'000;
    systemTime.wSecond = static_cast<std::uint16_t>(msOfDay / 1000);
    systemTime.wMilliseconds = static_cast<std::uint16_t>(msOfDay % 1000);
    return true;
}

} // namespace vrx::os
