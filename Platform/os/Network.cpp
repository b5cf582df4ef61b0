#include "Platform/os/Network.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace vrx::os {

std::uint32_t inetAddr(const std::string& text) {
    // inet_aton accepts exactly the forms of the socket library's inet_addr: one to four parts,
    // each decimal, octal (leading 0) or hexadecimal (0x), the last part filling the remaining
    // bytes.
    in_addr address{};
    if (::inet_aton(text.c_str(), &address) == 0)
        return INADDR_NONE;
    return address.s_addr;
}

std::string inetNtoa(std::uint32_t address) {
    in_addr value{};
    value.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET, &value, text, sizeof text) ? std::string(text) : std::string();
}

std::uint16_t htons16(std::uint16_t value) {
    return htons(value);
}

std::uint32_t htonl32(std::uint32_t value) {
    return htonl(value);
}

} // namespace vrx::os
