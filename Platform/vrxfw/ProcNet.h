#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrx::vrxfw {

/// One socket as a line of the kernel's /proc/net/tcp or /proc/net/udp table lists it:
///
///     sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt uid timeout inode
///      0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000 1000 0 4242 ...
///
/// The addresses are the kernel's 32-bit words printed in hexadecimal; read back as a number
/// on this (little-endian) host they are the address in network byte order, as the driver's
/// records keep it. The ports are printed as numbers. `st` is the kernel's TCP state (UDP
/// uses 07 for an unconnected and 01 for a connected socket). The inode names the socket in
/// the owners' /proc/<pid>/fd links ("socket:[4242]"); 0 for a socket without an owner
/// (TIME_WAIT).
struct ProcSocket {
    std::uint32_t localAddress = 0;
    std::uint16_t localPort = 0;
    std::uint32_t remoteAddress = 0;
    std::uint16_t remotePort = 0;
    std::uint8_t state = 0;
    std::uint64_t inode = 0;
};

/// The kernel's TCP states as the tables print them.
namespace kernel_tcp {
inline constexpr std::uint8_t kEstablished = 0x01;
inline constexpr std::uint8_t kSynSent = 0x02;
inline constexpr std::uint8_t kSynReceived = 0x03;
inline constexpr std::uint8_t kListen = 0x0A;
} // namespace kernel_tcp

/// The sockets of one table's text; the heading and lines that do not parse are skipped.
std::vector<ProcSocket> parseProcNetSockets(const std::string& text);

/// Bytes received and sent by all interfaces but the loopback, from the text of
/// /proc/net/dev (two heading lines, then "name: rx_bytes rx_packets ... tx_bytes ...").
struct InterfaceTraffic {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};
InterfaceTraffic parseInterfaceTraffic(const std::string& text);

} // namespace vrx::vrxfw
