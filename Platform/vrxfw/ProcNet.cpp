#include "Platform/vrxfw/ProcNet.h"

#include <charconv>
#include <sstream>
#include <string_view>

namespace vrx::vrxfw {

namespace {

template <typename T>
bool parseNumber(std::string_view text, T& value, int base) {
    const auto* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    return result.ec == std::errc() && result.ptr == end;
}

// "0100007F:1F90" into its address word and port.
bool parseEndpoint(std::string_view text, std::uint32_t& address, std::uint16_t& port) {
    const auto colon = text.find(':');
    if (colon != 8) // IPv4 only: eight hexadecimal digits
        return false;
    return parseNumber(text.substr(0, colon), address, 16) &&
           parseNumber(text.substr(colon + 1), port, 16);
}

} // namespace

std::vector<ProcSocket> parseProcNetSockets(const std::string& text) {
    std::vector<ProcSocket> sockets;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
              timeout >> inode))
            continue;
        if (slot.empty() || slot.back() != ':')
            continue; // the heading
        ProcSocket socket;
        if (!parseEndpoint(local, socket.localAddress, socket.localPort) ||
            !parseEndpoint(remote, socket.remoteAddress, socket.remotePort) ||
            !parseNumber(std::string_view(state), socket.state, 16) ||
            !parseNumber(std::string_view(inode), socket.inode, 10))
            continue;
        sockets.push_back(socket);
    }
    return sockets;
}

InterfaceTraffic parseInterfaceTraffic(const std::string& text) {
    InterfaceTraffic total;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::istringstream name(line.substr(0, colon));
        std::string interfaceName;
        name >> interfaceName;
        if (interfaceName.empty() || interfaceName == "lo" ||
            interfaceName.find('|') != std::string::npos)
            continue;
        std::istringstream fields(line.substr(colon + 1));
        std::uint64_t value[9] = {};
        bool complete = true;
        for (auto& field : value)
            complete = complete && static_cast<bool>(fields >> field);
        if (!complete)
            continue;
        total.received += value[0]; // receive bytes
        total.sent += value[8];     // transmit bytes, after the eight receive columns
    }
    return total;
}

} // namespace vrx::vrxfw
