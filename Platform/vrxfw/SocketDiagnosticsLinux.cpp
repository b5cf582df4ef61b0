#include "Platform/vrxfw/SocketDiagnostics.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace vrx::vrxfw {

namespace {

// Closes the netlink socket on every way out.
class NetlinkSocket {
public:
    NetlinkSocket() : fd_(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG)) {}
    ~NetlinkSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

struct DumpRequest {
    nlmsghdr header;
    inet_diag_req_v2 request;
};

// The byte counts in one answer message, if it carries the TCP information.
void takeMessage(const nlmsghdr* message, std::map<std::uint64_t, SocketBytes>& counts) {
    if (message->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
        return;
    const auto* socket = static_cast<const inet_diag_msg*>(NLMSG_DATA(message));
    auto length = static_cast<int>(message->nlmsg_len - NLMSG_LENGTH(sizeof(inet_diag_msg)));
    // The attributes follow the message, each aligned as netlink aligns them.
    auto* attribute = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(socket) +
                                                      NLMSG_ALIGN(sizeof(inet_diag_msg)));
    for (; RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type != INET_DIAG_INFO)
            continue;
        // Older kernels send a shorter record; the counts are only read when they are in it.
        const std::size_t available = RTA_PAYLOAD(attribute);
        if (available < offsetof(tcp_info, tcpi_bytes_received) + sizeof(std::uint64_t))
            return;
        tcp_info info;
        std::memset(&info, 0, sizeof info);
        std::memcpy(&info, RTA_DATA(attribute), std::min(available, sizeof info));
        if (socket->idiag_inode != 0)
            counts[socket->idiag_inode] =
                SocketBytes{info.tcpi_bytes_acked, info.tcpi_bytes_received};
        return;
    }
}

} // namespace

std::optional<std::map<std::uint64_t, SocketBytes>> tcpSocketBytes() {
    NetlinkSocket netlink;
    if (netlink.fd() < 0)
        return std::nullopt;

    DumpRequest dump;
    std::memset(&dump, 0, sizeof dump);
    dump.header.nlmsg_len = sizeof dump;
    dump.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    dump.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    dump.request.sdiag_family = AF_INET;
    dump.request.sdiag_protocol = IPPROTO_TCP;
    dump.request.idiag_states = ~0u; // every state
    dump.request.idiag_ext = 1u << (INET_DIAG_INFO - 1);

    sockaddr_nl kernel;
    std::memset(&kernel, 0, sizeof kernel);
    kernel.nl_family = AF_NETLINK;
    if (::sendto(netlink.fd(), &dump, sizeof dump, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0)
        return std::nullopt;

    std::map<std::uint64_t, SocketBytes> counts;
    std::vector<char> buffer(32768);
    for (;;) {
        const ssize_t received = ::recv(netlink.fd(), buffer.data(), buffer.size(), 0);
        if (received < 0)
            return std::nullopt;
        if (received == 0)
            return counts;
        auto length = static_cast<unsigned int>(received);
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer.data()); NLMSG_OK(message, length);
             message = NLMSG_NEXT(message, length)) {
            if (message->nlmsg_type == NLMSG_DONE)
                return counts;
            if (message->nlmsg_type == NLMSG_ERROR)
                return std::nullopt;
            if (message->nlmsg_type == SOCK_DIAG_BY_FAMILY)
                takeMessage(message, counts);
        }
    }
}

} // namespace vrx::vrxfw
