#pragma once

#include <cstdint>
#include <string_view>

namespace vrx::os {

/// Copies text into a caller's character buffer of `size` bytes: at most size − 1 bytes, never
/// ending inside a UTF-8 character, always terminated. Returns the bytes copied (0 when size is
/// 0, in which case nothing is written).
std::uint32_t copyTextCut(std::string_view text, char* buffer, std::uint32_t size);

/// The longest prefix of text of at most maxBytes bytes that does not split a UTF-8 character.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);

} // namespace vrx::os
