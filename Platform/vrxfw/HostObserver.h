#pragma once

#include "Platform/vrxfw/Driver.h"

#include <string>

namespace vrx::vrxfw {

/// The machine as the driver would see it, observed without privileges on the Linux host.
///
/// Endpoints: every IPv4 TCP and UDP socket of /proc/net/tcp and /proc/net/udp, owned by the
/// process whose /proc/<pid>/fd holds a link to it (0, "the system", when no visible process
/// does: other users' descriptors are unreadable, and a socket in TIME_WAIT has no owner).
/// Their records:
/// - TCP listening: kind listening, TCP state listening;
/// - TCP being connected (SYN sent): kind connection, connecting out;
/// - TCP connected: connected in when its local port is one the owner listens on (for an
///   unknown owner: one the machine listens on), connected out otherwise;
/// - TCP closing or closed (FIN_WAIT, CLOSE_WAIT, TIME_WAIT, ...): disconnected;
/// - UDP: a bound port (kind listening), with the peer when the socket is connected.
/// The address key names the socket (its inode, or its addresses when it has none); the
/// connection key names the address pair, so a connection keeps its key as its state changes.
/// Byte counts come from the socket-diagnostics interface where it answers (TCP only), and
/// are 0 otherwise.
///
/// Traffic: the bytes received and sent by the interfaces other than the loopback.
class HostObserver final : public HostView {
public:
    enum class ByteCounts { SocketDiagnostics, None };
    struct Options {
        /// Where the process file system is mounted (a test points it at a tree of its own).
        std::string procRoot = "/proc";
        ByteCounts byteCounts = ByteCounts::SocketDiagnostics;
    };

    HostObserver();
    explicit HostObserver(Options options);

    std::vector<TdiStateRecord> endpoints() override;
    Traffic traffic() override;

private:
    Options options_;
};

} // namespace vrx::vrxfw
