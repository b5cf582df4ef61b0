#pragma once

#include <cstdint>
#include <map>
#include <optional>

namespace vrx::vrxfw {

/// Bytes sent (acknowledged by the peer) and received on one TCP socket.
struct SocketBytes {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

/// The byte counts of the machine's IPv4 TCP sockets by socket inode, from the kernel's
/// socket-diagnostics netlink interface (the TCP information it gives every user, as `ss -ti`
/// shows). Empty when the interface cannot be reached (no netlink, a kernel without it, a
/// sandbox that refuses the socket): the records then carry no byte counts.
std::optional<std::map<std::uint64_t, SocketBytes>> tcpSocketBytes();

} // namespace vrx::vrxfw
