#include "Application/utils/LocalInterface.h"

#include "Platform/os/Platform.h"

#include <array>

using vrx::os::InterfaceInfo;
using vrx::os::platform;

namespace {
constexpr std::uint16_t kVersion22 = 0x0202;
constexpr std::uint16_t kVersion20 = 0x0002;
constexpr std::uint32_t kMaxInterfaces = 20;
} // namespace

bool WinsockAvailable(std::uint16_t version) {
    vrx::os::Network& network = *platform().network;
    if (network.startup(version) != 0)
        return false;
    network.cleanup();
    return true;
}

bool GetInterfaceList(InterfaceInfo* buffer, std::uint32_t& count) {
    if (!WinsockAvailable(kVersion22))
        return false;
    vrx::os::Network& network = *platform().network;
    if (network.startup(kVersion20) != 0)
        return false;
    const vrx::os::Handle socket = network.createSocket(vrx::os::kAfInet, vrx::os::kSockDgram, 0);
    if (socket == vrx::os::kInvalidHandle) {
        network.cleanup();
        return false;
    }
    std::uint32_t bytes = 0;
    const int result =
        network.ioctl(socket, vrx::os::kSioGetInterfaceList, nullptr, 0, buffer,
                      count * static_cast<std::uint32_t>(sizeof(InterfaceInfo)), bytes);
    // The socket is released on failure too, so a failed query leaves nothing open.
    network.closeSocket(socket);
    network.cleanup();
    if (result != 0)
        return false;
    count = bytes / static_cast<std::uint32_t>(sizeof(InterfaceInfo));
    return true;
}

bool GetLocalIP(InterfaceInfo& record) {
    std::array<InterfaceInfo, kMaxInterfaces> list{};
    std::uint32_t count = kMaxInterfaces;
    if (!GetInterfaceList(list.data(), count))
        return false;
    for (std::uint32_t i = 0; i < count && i < kMaxInterfaces; ++i) {
        const InterfaceInfo& entry = list[i];
        if ((entry.iiFlags & (vrx::os::kIffLoopback | vrx::os::kIffPointToPoint)) == 0 &&
            entry.iiAddress.sin_addr != 0) {
            record = entry;
            return true;
        }
    }
    return false;
}
