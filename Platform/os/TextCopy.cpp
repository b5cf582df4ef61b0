#include "Platform/os/TextCopy.h"

#include <cstring>

namespace vrx::os {

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that would be
    // split, and cut before it.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::uint32_t copyTextCut(std::string_view text, char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size == 0)
        return 0;
    const std::string_view cut = cutUtf8(text, size - 1);
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
    return static_cast<std::uint32_t>(cut.size());
}

} // namespace vrx::os
