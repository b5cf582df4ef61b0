#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

/// One record of the driver's packet filter table, and of its packet log: 34 bytes, packed,
/// records back to back. The EtherType and the addresses are in network byte order; ports and
/// the one-byte fields as the host holds them (little-endian). Every byte this program does not
/// name stays zero.
struct TFilterRecord {
    static constexpr std::size_t kSize = 34;

    // Offsets of the fields.
    static constexpr std::size_t kEtherType = 0;     // 2 bytes, network order
    static constexpr std::size_t kProtocol = 4;      // 1 byte
    static constexpr std::size_t kRemoteAddress = 9; // 4 bytes, network order
    static constexpr std::size_t kLocalPort = 13;    // 2 bytes; ICMP: type, then code
    static constexpr std::size_t kRemotePort = 15;   // 2 bytes
    static constexpr std::size_t kTcpFlags = 17;     // 1 byte
    static constexpr std::size_t kDirection = 18;    // 1 byte
    static constexpr std::size_t kAction = 19;       // 1 byte
    static constexpr std::size_t kAlertType = 20;    // 1 byte
    static constexpr std::size_t kRemoteMask = 26;   // 4 bytes, network order
    static constexpr std::size_t kLocalPort2 = 30;   // 2 bytes
    static constexpr std::size_t kRemotePort2 = 32;  // 2 bytes

    std::array<std::uint8_t, kSize> bytes{};

    /// The record that starts at `data`, which must hold at least kSize bytes.
    static TFilterRecord at(const std::uint8_t* data) {
        TFilterRecord record;
        std::memcpy(record.bytes.data(), data, kSize);
        return record;
    }

    std::uint8_t byte(std::size_t offset) const { return bytes[offset]; }
    void setByte(std::size_t offset, std::uint8_t value) { bytes[offset] = value; }

    /// A 16-bit field stored little-endian (the ports).
    std::uint16_t port(std::size_t offset) const {
        return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
    }
    void setPort(std::size_t offset, std::uint16_t value) {
        bytes[offset] = static_cast<std::uint8_t>(value);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }

    /// A 16-bit field stored in network order (the EtherType).
    void setNetwork16(std::size_t offset, std::uint16_t value) {
        bytes[offset] = static_cast<std::uint8_t>(value >> 8);
        bytes[offset + 1] = static_cast<std::uint8_t>(value);
    }

    /// A 32-bit address as the socket library holds it: its bytes already in network order.
    std::uint32_t address(std::size_t offset) const {
        std::uint32_t value = 0;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
    void setAddress(std::size_t offset, std::uint32_t value) {
        std::memcpy(bytes.data() + offset, &value, sizeof value);
    }
};

static_assert(sizeof(TFilterRecord) == TFilterRecord::kSize);
