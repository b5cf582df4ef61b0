#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <string>

namespace vrx::os {

inline constexpr std::uint32_t kAfInet = 2;
inline constexpr std::uint32_t kSockDgram = 2;
inline constexpr std::uint32_t kSioGetInterfaceList = 0x4004747F;

/// Interface flags of an interface record.
inline constexpr std::uint32_t kIffUp = 0x1;
inline constexpr std::uint32_t kIffBroadcast = 0x2;
inline constexpr std::uint32_t kIffLoopback = 0x4;
inline constexpr std::uint32_t kIffPointToPoint = 0x8;
inline constexpr std::uint32_t kIffMulticast = 0x10;

#pragma pack(push, 1)
/// An address slot of an interface record: an IPv4 socket address in the first 16 bytes
/// (family, port, address in network order), room for the older IPv6 form after it.
struct SockAddrGen {
    std::uint16_t sin_family = 0;
    std::uint16_t sin_port = 0;
    std::uint32_t sin_addr = 0; // network byte order
    std::uint8_t rest[16] = {};
};
/// One 76-byte interface record of the interface-list query.
struct InterfaceInfo {
    std::uint32_t iiFlags = 0;
    SockAddrGen iiAddress;
    SockAddrGen iiBroadcastAddress;
    SockAddrGen iiNetmask;
};
#pragma pack(pop)
static_assert(sizeof(SockAddrGen) == 24);
static_assert(sizeof(InterfaceInfo) == 76);

/// The socket library, as far as the program uses it: start and clean-up, a datagram socket,
/// and the interface-list query. The Linux host lists the IPv4 interfaces of getifaddrs.
class Network {
public:
    virtual ~Network() = default;

    /// 0 when the library starts with the requested version word (low byte major).
    virtual int startup(std::uint16_t version) = 0;
    virtual int cleanup() = 0;

    /// kInvalidHandle on failure.
    virtual Handle createSocket(std::uint32_t family, std::uint32_t type,
                                std::uint32_t protocol) = 0;
    virtual int closeSocket(Handle socket) = 0;

    /// For kSioGetInterfaceList: fills whole 76-byte records, bytesReturned := their bytes.
    /// 0 on success, -1 on failure (a buffer too small for every interface fails).
    virtual int ioctl(Handle socket, std::uint32_t code, const void* in, std::uint32_t inLength,
                      void* out, std::uint32_t outLength, std::uint32_t& bytesReturned) = 0;
};

/// Dotted-decimal text to an address in network order; 0xFFFFFFFF (INADDR_NONE) when the text
/// is not an address. Accepts the forms the socket library accepts (a.b.c.d, a.b.c, a.b, a;
/// decimal, octal with 0, hexadecimal with 0x).
std::uint32_t inetAddr(const std::string& text);
/// An address in network order to dotted decimal.
std::string inetNtoa(std::uint32_t address);
std::uint16_t htons16(std::uint16_t value);
std::uint32_t htonl32(std::uint32_t value);

/// The Linux host's implementation (its file: NetworkLinux.cpp).
Network& hostNetwork();

} // namespace vrx::os
