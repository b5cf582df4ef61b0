#pragma once

#include "Platform/os/Network.h"

#include <cstdint>

/// Whether the socket library starts with the requested version word (low byte major); it is
/// cleaned up again at once.
bool WinsockAvailable(std::uint16_t version);

/// Reads the machine's interface list into buffer. count: in, the buffer's capacity in
/// entries; out, the entries read. False when the socket library, the socket or the query
/// fails (also when the list does not fit); true for an empty list as well.
bool GetInterfaceList(vrx::os::InterfaceInfo* buffer, std::uint32_t& count);

/// The first interface, in list order, that is neither loopback nor point-to-point and has an
/// address, copied into record. False, with record untouched, when the list cannot be read or
/// no interface qualifies.
bool GetLocalIP(vrx::os::InterfaceInfo& record);
