#pragma once

#include <cstdint>
#include <string>

/// The short name of an IP protocol number (the IANA numbers): "IP" 0, "ICMP" 1, "IGMP" 2,
/// "GGP" 3, "TCP" 6, "PUP" 12, "UDP" 17, "IDP" 22, "ND" 77, "RAW" 255, and "UNKNOW" (spelled
/// so) for every other number.
std::string ProtocolName(std::int32_t protocol);
