#pragma once

#include "Platform/os/VersionResources.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrx::os {

/// The version resource format (VS_VERSIONINFO) and the block that the version service hands
/// out.
///
/// A resource is a tree of nodes, each 4-byte aligned:
///
///     offset 0  u16  wLength       bytes of the node with its children (no trailing padding)
///            2  u16  wValueLength  value size: characters (with the NUL) for a text, else bytes
///            4  u16  wType         1 text, 0 binary
///            6  u16[] szKey        the key, UTF-16, NUL-terminated
///               padding to 4
///               the value
///               padding to 4
///               children
///
/// The root "VS_VERSION_INFO" holds the 52-byte fixed information (signature 0xFEEF04BD at
/// offset 40 of the block); its children are "StringFileInfo", with one string table per
/// translation (key: language and code page as 8 hex digits, e.g. "040904E4") whose children
/// are the texts ("ProductName", ...), and "VarFileInfo" with the binary "Translation" (pairs
/// of u16 language, u16 code page).
///
/// The handed-out block is the resource (its first wLength bytes, padded to 4) followed by a
/// text area, because the texts of a resource are UTF-16 and callers read UTF-8:
///
///     offset A = wLength rounded up to 4
///     A + 0   u32  kTextAreaMagic
///     A + 4   u32  size of the text area in bytes, from A
///     A + 8   u32  entry count n
///     A + 12  n × { u32 offset of the text node in the block, u32 offset of its UTF-8 text
///                   from A, u32 length of the text in bytes without its NUL }
///     then the texts, each NUL-terminated
///
/// A query for a text returns a pointer into this area, so it stays inside the caller's copy.
namespace version_block {

inline constexpr std::uint32_t kTextAreaMagic = 0x38545556; // "VUT8"
inline constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kNodeHeaderSize = 6;
inline constexpr std::size_t kTextAreaHeaderSize = 12;
inline constexpr std::size_t kTextEntrySize = 12;
/// Nodes nest four deep in a well-formed resource; deeper trees are cut off there.
inline constexpr int kMaxDepth = 8;

/// One string table: its key (language and code page, 8 hex digits) and its texts in order.
struct StringTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> values; // UTF-8 key, UTF-8 text
};

/// What a version resource says, in the terms its writer takes.
struct VersionInfo {
    FixedFileInfo fixed;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations; // language, code page
    std::vector<StringTable> tables;
};

/// The key of a string table: language and code page as 8 upper-case hex digits.
std::string tableKey(std::uint16_t language, std::uint16_t codePage);

/// The resource bytes as a PE file's RT_VERSION resource holds them.
std::vector<std::uint8_t> write(const VersionInfo& info);

/// The block to hand out for a resource: its bytes and the UTF-8 text area. Empty when the
/// resource is not a well-formed tree (its root overruns the bytes, or its header is short).
std::vector<std::uint8_t> makeQueryable(std::span<const std::uint8_t> resource);

/// The version query in a block made by makeQueryable: "\" for the fixed information (only a
/// complete 52-byte record with its signature), "\VarFileInfo\Translation",
/// "\StringFileInfo\<table>\<key>"; names compare without regard to case. A text yields its UTF-8
/// copy and its length in bytes with the NUL; a binary value its bytes and their count.
bool query(const void* block, std::string_view subBlock, const void** buffer,
           std::uint32_t* length);

} // namespace version_block

} // namespace vrx::os
