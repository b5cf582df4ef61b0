#pragma once

#include <cstdint>

namespace vrx::os {

/// Reads of the little-endian numbers of the platform's binary formats (PE files, version
/// resources), byte by byte so that neither alignment nor the host's byte order matters.
inline std::uint16_t readU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

} // namespace vrx::os
