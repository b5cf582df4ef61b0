#pragma once

#include <cstdint>
#include <string>

namespace vrx::os {

/// Flags of playSound, with the platform's values.
inline constexpr std::uint32_t kSndAsync = 0x0001;
inline constexpr std::uint32_t kSndNoDefault = 0x0002;
inline constexpr std::uint32_t kSndNoStop = 0x0010;
inline constexpr std::uint32_t kSndNoWait = 0x2000;
inline constexpr std::uint32_t kSndFilename = 0x20000;

/// Event sounds. The Linux host plays a wave file in the background and never blocks the
/// caller; without a sound device it silently plays nothing.
class Sound {
public:
    virtual ~Sound() = default;
    /// True when the sound was started.
    virtual bool playSound(const std::string& fileName, std::uint32_t flags) = 0;
};

/// The Linux host's implementation (its file: SoundLinux.cpp).
Sound& hostSound();

} // namespace vrx::os
