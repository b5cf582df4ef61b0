#include "tests/support/FakeNetwork.h"

#include <cstring>

namespace vrx::test {

namespace {
struct FakeSocket final : os::HandleObject {};
constexpr int kSocketError = -1;
constexpr std::uint32_t kWsaFault = 10014;
constexpr std::uint32_t kWsaNotSocket = 10038;
constexpr std::uint32_t kWsaNetDown = 10050;
constexpr std::uint32_t kWsaNotInitialised = 10093;
} // namespace

int FakeNetwork::startup(std::uint16_t version) {
    requestedVersions.push_back(version);
    if (startupError != 0)
        return startupError;
    ++startups;
    return 0;
}

int FakeNetwork::cleanup() {
    if (activeStartups() == 0) {
        os::setLastError(kWsaNotInitialised);
        return kSocketError;
    }
    ++cleanups;
    return 0;
}

os::Handle FakeNetwork::createSocket(std::uint32_t, std::uint32_t, std::uint32_t) {
    if (failSocket || activeStartups() == 0) {
        os::setLastError(failSocket ? kWsaNetDown : kWsaNotInitialised);
        return os::kInvalidHandle;
    }
    ++openSockets;
    return os::HandleTable::instance().insert(std::make_shared<FakeSocket>());
}

int FakeNetwork::closeSocket(os::Handle socket) {
    if (!os::HandleTable::instance().get<FakeSocket>(socket)) {
        os::setLastError(kWsaNotSocket);
        return kSocketError;
    }
    --openSockets;
    return os::HandleTable::instance().close(socket) ? 0 : kSocketError;
}

int FakeNetwork::ioctl(os::Handle socket, std::uint32_t code, const void*, std::uint32_t, void* out,
                       std::uint32_t outLength, std::uint32_t& bytesReturned) {
    lastIoctlCode = code;
    lastIoctlOutLength = outLength;
    bytesReturned = 0;
    if (!os::HandleTable::instance().get<FakeSocket>(socket)) {
        os::setLastError(kWsaNotSocket);
        return kSocketError;
    }
    const std::size_t bytes = interfaces.size() * sizeof(os::InterfaceInfo);
    if (failIoctl || code != os::kSioGetInterfaceList || bytes > outLength) {
        os::setLastError(kWsaFault);
        return kSocketError;
    }
    if (bytes > 0)
        std::memcpy(out, interfaces.data(), bytes);
    bytesReturned = static_cast<std::uint32_t>(bytes);
    return 0;
}

os::InterfaceInfo makeInterface(const std::string& address, const std::string& netmask,
                                std::uint32_t flags) {
    os::InterfaceInfo info;
    info.iiFlags = flags;
    const std::uint32_t a = os::inetAddr(address);
    const std::uint32_t m = os::inetAddr(netmask);
    for (os::SockAddrGen* slot : {&info.iiAddress, &info.iiBroadcastAddress, &info.iiNetmask})
        slot->sin_family = static_cast<std::uint16_t>(os::kAfInet);
    info.iiAddress.sin_addr = a;
    info.iiBroadcastAddress.sin_addr = a | ~m;
    info.iiNetmask.sin_addr = m;
    return info;
}

} // namespace vrx::test
