#include "Application/monitor/ProtocolDecoder.h"

#include "Application/monitor/ProtocolTable.h"

bool TProtocolDecoder::LocateProtocol(std::int32_t protocol, std::int32_t port, std::int32_t k) {
    if (Table == nullptr)
        return false;
    const std::string key =
        std::to_string(protocol) + "-" + std::to_string(port) + "-" + std::to_string(k);
    const bool found = Table->LocateKey(key);
    Name = Table->CurrentName();
    return found;
}

std::string TProtocolDecoder::PortName(std::uint16_t port) {
    const std::string number = std::to_string(port);
    if (LocateProtocol(6, port, 0))
        return Name + "[" + number + "]";
    return number;
}
