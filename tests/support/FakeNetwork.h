#pragma once

#include "Platform/os/Network.h"

#include <string>
#include <vector>

namespace vrx::test {

/// A socket library with an interface list the test sets. It counts start-ups and clean-ups
/// and the sockets left open, so a test can see that every use is balanced.
class FakeNetwork final : public os::Network {
public:
    std::vector<os::InterfaceInfo> interfaces;

    /// Failure switches: start-up returns this error when not 0 (e.g. 10091, not ready).
    int startupError = 0;
    bool failSocket = false;
    bool failIoctl = false;

    int startups = 0;
    int cleanups = 0;
    int openSockets = 0;
    std::vector<std::uint16_t> requestedVersions;
    std::uint32_t lastIoctlCode = 0;
    std::uint32_t lastIoctlOutLength = 0;

    /// Start-ups not yet cleaned up.
    int activeStartups() const { return startups - cleanups; }

    int startup(std::uint16_t version) override;
    int cleanup() override;
    os::Handle createSocket(std::uint32_t family, std::uint32_t type,
                            std::uint32_t protocol) override;
    int closeSocket(os::Handle socket) override;
    int ioctl(os::Handle socket, std::uint32_t code, const void* in, std::uint32_t inLength,
              void* out, std::uint32_t outLength, std::uint32_t& bytesReturned) override;
};

/// An interface record from dotted texts; the broadcast address is that of the network.
os::InterfaceInfo makeInterface(const std::string& address, const std::string& netmask,
                                std::uint32_t flags);

} // namespace vrx::test
