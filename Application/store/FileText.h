#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// Text of the data files. Inside the program text is UTF-8; the rule files and "Protocol.dat"
/// hold it as GB18030, the superset of code page 936 that encodes every character. Reading also
/// accepts code page 936 as it stands: its single byte 0x80 (the euro sign) is not GB18030 and
/// decodes all the same. Bytes that form no character decode to U+FFFD.

/// The GB18030 bytes of a UTF-8 text (invalid UTF-8 becomes U+FFFD).
std::string EncodeFileText(std::string_view utf8);

/// The UTF-8 text of GB18030 or code page 936 bytes.
std::string DecodeFileText(std::string_view encoded);

/// The length of the longest prefix of the encoded bytes that holds at most maxBytes bytes and
/// ends between two characters, so cutting there never splits a character.
std::size_t FileTextCutLength(std::string_view encoded, std::size_t maxBytes);

/// The UTF-8 text cut so that its encoded form holds at most maxBytes bytes, cut between
/// characters. Plain ASCII texts are returned without conversion.
std::string CutToFileTextSize(std::string_view utf8, std::size_t maxBytes);

/// Whether every byte is 7-bit ASCII, whose bytes are the same in UTF-8 and GB18030.
bool IsPlainAscii(std::string_view text);
