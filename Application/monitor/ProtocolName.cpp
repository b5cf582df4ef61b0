#include "Application/monitor/ProtocolName.h"

std::string ProtocolName(std::int32_t protocol) {
    switch (protocol) {
    case 0:
        return "IP";
    case 1:
        return "ICMP";
    case 2:
        return "IGMP";
    case 3:
        return "GGP";
    case 6:
        return "TCP";
    case 12:
        return "PUP";
    case 17:
        return "UDP";
    case 22:
        return "IDP";
    case 77:
        return "ND";
    case 255:
        return "RAW";
    default:
        return "UNKNOW";
    }
}
