#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Little-endian word access for the cipher: keys and blocks are sequences of 32-bit words stored
// least significant byte first, whatever the byte order of the machine.

inline std::uint32_t LoadWordLE(const std::uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    } else {
        return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
               std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    }
}

inline void StoreWordLE(std::uint8_t* bytes, std::uint32_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, &word, sizeof word);
    } else {
        bytes[0] = static_cast<std::uint8_t>(word);
        bytes[1] = static_cast<std::uint8_t>(word >> 8);
        bytes[2] = static_cast<std::uint8_t>(word >> 16);
        bytes[3] = static_cast<std::uint8_t>(word >> 24);
    }
}
