#include "Platform/vrxfw/HostObserver.h"

#include "Platform/vrxfw/ProcNet.h"
#include "Platform/vrxfw/SocketDiagnostics.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <system_error>

namespace vrx::vrxfw {

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The inode named by a descriptor link "socket:[4242]", or 0.
std::uint64_t socketInode(const std::string& target) {
    constexpr std::string_view prefix = "socket:[";
    if (target.size() <= prefix.size() + 1 || target.compare(0, prefix.size(), prefix) != 0 ||
        target.back() != ']')
        return 0;
    std::uint64_t inode = 0;
    for (std::size_t i = prefix.size(); i + 1 < target.size(); ++i) {
        if (target[i] < '0' || target[i] > '9')
            return 0;
        inode = inode * 10 + static_cast<std::uint64_t>(target[i] - '0');
    }
    return inode;
}

// Socket inode -> owning process, for every process whose descriptors this user may read. A
// socket shared by several processes (a parent and its child) goes to the lowest id.
std::map<std::uint64_t, std::uint32_t> socketOwners(const fs::path& procRoot) {
    std::map<std::uint64_t, std::uint32_t> owners;
    std::error_code error;
    for (fs::directory_iterator process(procRoot, error), end; !error && process != end;
         process.increment(error)) {
        const std::string name = process->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto pid = static_cast<std::uint32_t>(std::stoul(name));
        std::error_code fdError; // EACCES for other users' processes: owner unknown
        for (fs::directory_iterator fd(process->path() / "fd", fdError), fdEnd;
             !fdError && fd != fdEnd; fd.increment(fdError)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fd->path(), linkError);
            if (linkError)
                continue;
            const std::uint64_t inode = socketInode(target.string());
            if (inode == 0)
                continue;
            const auto [it, added] = owners.emplace(inode, pid);
            if (!added && pid < it->second)
                it->second = pid;
        }
    }
    return owners;
}

// FNV-1a over the words that name an endpoint.
std::uint32_t keyOf(std::initializer_list<std::uint32_t> words) {
    std::uint32_t hash = 2166136261u;
    for (std::uint32_t word : words)
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (word >> shift) & 0xFF;
            hash *= 16777619u;
        }
    return hash;
}

TcpState tcpStateOf(std::uint8_t kernelState, bool toOwnListeningPort) {
    switch (kernelState) {
    case kernel_tcp::kListen:
        return TcpState::Listening;
    case kernel_tcp::kSynSent:
        return TcpState::ConnectingOut;
    case kernel_tcp::kEstablished:
    case kernel_tcp::kSynReceived:
        return toOwnListeningPort ? TcpState::ConnectedIn : TcpState::ConnectedOut;
    default:
        return TcpState::Disconnected;
    }
}

} // namespace

HostObserver::HostObserver() = default;

HostObserver::HostObserver(Options options) : options_(std::move(options)) {}

std::vector<TdiStateRecord> HostObserver::endpoints() {
    const fs::path root(options_.procRoot);
    const auto tcp = parseProcNetSockets(readText(root / "net" / "tcp"));
    const auto udp = parseProcNetSockets(readText(root / "net" / "udp"));
    const auto owners = socketOwners(root);
    std::optional<std::map<std::uint64_t, SocketBytes>> bytes;
    if (options_.byteCounts == ByteCounts::SocketDiagnostics)
        bytes = tcpSocketBytes();

    auto ownerOf = [&](const ProcSocket& socket) -> std::uint32_t {
        if (socket.inode == 0)
            return 0;
        const auto it = owners.find(socket.inode);
        return it == owners.end() ? 0 : it->second;
    };

    // The TCP ports each process listens on; under 0 those of every process.
    std::map<std::uint32_t, std::set<std::uint16_t>> listening;
    for (const ProcSocket& socket : tcp)
        if (socket.state == kernel_tcp::kListen) {
            listening[ownerOf(socket)].insert(socket.localPort);
            listening[0].insert(socket.localPort);
        }

    std::vector<TdiStateRecord> records;
    records.reserve(tcp.size() + udp.size());
    auto recordOf = [&](const ProcSocket& socket, std::uint8_t protocol) {
        TdiStateRecord record;
        record.processId = ownerOf(socket);
        record.protocol = protocol;
        record.localAddress = socket.localAddress;
        record.localPort = socket.localPort;
        record.remoteAddress = socket.remoteAddress;
        record.remotePort = socket.remotePort;
        record.addressKey = socket.inode != 0
                                ? static_cast<std::uint32_t>(socket.inode ^ (socket.inode >> 32))
                                : keyOf({protocol, socket.localAddress, socket.localPort,
                                         socket.remoteAddress, socket.remotePort});
        record.connectionKey = keyOf({protocol, socket.localAddress, socket.localPort,
                                      socket.remoteAddress, socket.remotePort});
        return record;
    };

    for (const ProcSocket& socket : tcp) {
        TdiStateRecord record = recordOf(socket, kProtocolTcp);
        const auto& ports = listening[record.processId];
        const TcpState state = tcpStateOf(socket.state, ports.contains(socket.localPort));
        record.tcpState = static_cast<std::uint32_t>(state);
        record.endpointKind =
            state == TcpState::Listening ? kEndpointListening : kEndpointConnection;
        if (bytes && socket.inode != 0) {
            const auto it = bytes->find(socket.inode);
            if (it != bytes->end()) {
                // The record holds 32 bits; a longer count shows its low part, as it wraps.
                record.bytesSent = static_cast<std::uint32_t>(it->second.sent);
                record.bytesReceived = static_cast<std::uint32_t>(it->second.received);
            }
        }
        records.push_back(record);
    }
    for (const ProcSocket& socket : udp) {
        TdiStateRecord record = recordOf(socket, kProtocolUdp);
        record.endpointKind = kEndpointListening;
        records.push_back(record);
    }
    return records;
}

HostView::Traffic HostObserver::traffic() {
    const InterfaceTraffic total =
        parseInterfaceTraffic(readText(fs::path(options_.procRoot) / "net" / "dev"));
    return Traffic{total.received, total.sent};
}

} // namespace vrx::vrxfw
