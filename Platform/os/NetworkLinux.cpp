#include "Platform/os/Network.h"

#include <cstring>
#include <ifaddrs.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vrx::os {

namespace {

/// Error numbers of the socket library, as its callers may read them from the last error.
constexpr std::uint32_t kWsaFault = 10014;
constexpr std::uint32_t kWsaInvalid = 10022;
constexpr std::uint32_t kWsaNotSocket = 10038;
constexpr std::uint32_t kWsaOperationNotSupported = 10045;
constexpr std::uint32_t kWsaNetDown = 10050;
constexpr std::uint32_t kWsaVersionNotSupported = 10092;
constexpr std::uint32_t kWsaNotInitialised = 10093;

constexpr int kSocketError = -1;

class HostSocket final : public HandleObject {
public:
    explicit HostSocket(int fd) : fd_(fd) {}
    ~HostSocket() override { ::close(fd_); }
    HostSocket(const HostSocket&) = delete;
    HostSocket& operator=(const HostSocket&) = delete;

private:
    int fd_ = -1;
};

std::uint32_t ipv4(const sockaddr* address) {
    if (!address || address->sa_family != AF_INET)
        return 0;
    sockaddr_in in{};
    std::memcpy(&in, address, sizeof in);
    return in.sin_addr.s_addr;
}

SockAddrGen slot(std::uint32_t address) {
    SockAddrGen gen;
    gen.sin_family = static_cast<std::uint16_t>(kAfInet);
    gen.sin_addr = address;
    return gen;
}

/// The IPv4 interfaces in the order getifaddrs lists them, one record per address; empty when
/// the system cannot list them.
std::optional<std::vector<InterfaceInfo>> ipv4Interfaces() {
    std::vector<InterfaceInfo> records;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return std::nullopt;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const unsigned flags = entry->ifa_flags;
        InterfaceInfo info;
        info.iiFlags = ((flags & IFF_UP) ? kIffUp : 0) |
                       ((flags & IFF_BROADCAST) ? kIffBroadcast : 0) |
                       ((flags & IFF_LOOPBACK) ? kIffLoopback : 0) |
                       ((flags & IFF_POINTOPOINT) ? kIffPointToPoint : 0) |
                       ((flags & IFF_MULTICAST) ? kIffMulticast : 0);
        const std::uint32_t address = ipv4(entry->ifa_addr);
        const std::uint32_t netmask = ipv4(entry->ifa_netmask);
        // The broadcast slot of getifaddrs holds the peer of a point-to-point link; only a
        // broadcast interface has a broadcast address of its own. Others get the directed
        // broadcast of their network.
        const std::uint32_t broadcast = (flags & IFF_BROADCAST) && ipv4(entry->ifa_broadaddr)
                                            ? ipv4(entry->ifa_broadaddr)
                                            : (address | ~netmask);
        info.iiAddress = slot(address);
        info.iiBroadcastAddress = slot(broadcast);
        info.iiNetmask = slot(netmask);
        records.push_back(info);
    }
    ::freeifaddrs(list);
    return records;
}

class LinuxNetwork final : public Network {
public:
    int startup(std::uint16_t version) override {
        // The library offers versions 1.0 to 2.2; a request below 1.0 cannot be served.
        if ((version & 0xFF) == 0) {
            setLastError(kWsaVersionNotSupported);
            return static_cast<int>(kWsaVersionNotSupported);
        }
        std::lock_guard guard(lock_);
        ++startups_;
        return 0;
    }

    int cleanup() override {
        std::lock_guard guard(lock_);
        if (startups_ == 0) {
            setLastError(kWsaNotInitialised);
            return kSocketError;
        }
        --startups_;
        return 0;
    }

    Handle createSocket(std::uint32_t family, std::uint32_t type, std::uint32_t protocol) override {
        if (!started()) {
            setLastError(kWsaNotInitialised);
            return kInvalidHandle;
        }
        if (family != kAfInet || type != kSockDgram) {
            setLastError(kWsaInvalid);
            return kInvalidHandle;
        }
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, static_cast<int>(protocol));
        if (fd < 0) {
            setLastError(kWsaInvalid);
            return kInvalidHandle;
        }
        return HandleTable::instance().insert(std::make_shared<HostSocket>(fd));
    }

    int closeSocket(Handle socket) override {
        if (!HandleTable::instance().get<HostSocket>(socket)) {
            setLastError(kWsaNotSocket);
            return kSocketError;
        }
        return HandleTable::instance().close(socket) ? 0 : kSocketError;
    }

    int ioctl(Handle socket, std::uint32_t code, const void* /*in*/, std::uint32_t /*inLength*/,
              void* out, std::uint32_t outLength, std::uint32_t& bytesReturned) override {
        bytesReturned = 0;
        if (!HandleTable::instance().get<HostSocket>(socket)) {
            setLastError(kWsaNotSocket);
            return kSocketError;
        }
        if (code != kSioGetInterfaceList) {
            setLastError(kWsaOperationNotSupported);
            return kSocketError;
        }
        const std::optional<std::vector<InterfaceInfo>> listed = ipv4Interfaces();
        if (!listed) {
            setLastError(kWsaNetDown);
            return kSocketError;
        }
        const std::vector<InterfaceInfo>& records = *listed;
        const std::size_t bytes = records.size() * sizeof(InterfaceInfo);
        if (bytes > outLength || (bytes > 0 && !out)) {
            setLastError(kWsaFault);
            return kSocketError;
        }
        if (bytes > 0)
            std::memcpy(out, records.data(), bytes);
        bytesReturned = static_cast<std::uint32_t>(bytes);
        return 0;
    }

private:
    bool started() {
        std::lock_guard guard(lock_);
        return startups_ > 0;
    }

    std::mutex lock_;
    unsigned startups_ = 0;
};

} // namespace

Network& hostNetwork() {
    static LinuxNetwork network;
    return network;
}

} // namespace vrx::os
