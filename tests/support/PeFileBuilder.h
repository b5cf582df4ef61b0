#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrx::test {

/// Writes a minimal valid PE32 file with one section ".rsrc" holding a resource tree, for the
/// tests of the resource readers: DOS header, PE header, optional header with the resource
/// data directory, one section header, and the tree (type → name → language → data).
class PeFileBuilder {
public:
    /// Where the pieces lie in the built file, so a test can damage one of them.
    static constexpr std::uint32_t kPeHeaderOffset = 0x40;
    static constexpr std::uint32_t kOptionalHeaderOffset = kPeHeaderOffset + 24;
    static constexpr std::uint32_t kResourceDirectoryEntryOffset = kOptionalHeaderOffset + 96 + 16;
    static constexpr std::uint32_t kSectionHeaderOffset = kOptionalHeaderOffset + 224;
    static constexpr std::uint32_t kResourceSectionOffset = 0x200;
    static constexpr std::uint32_t kResourceSectionRva = 0x1000;

    /// Adds a resource with a numeric name in one language.
    PeFileBuilder& add(std::uint32_t type, std::uint32_t id, std::vector<std::uint8_t> data,
                       std::uint16_t language = 0x0409);

    std::vector<std::uint8_t> build() const;
    /// Builds into a file; false when it cannot be written.
    bool writeTo(const std::string& path) const;

private:
    struct Resource {
        std::uint32_t type = 0;
        std::uint32_t id = 0;
        std::uint16_t language = 0;
        std::vector<std::uint8_t> data;
    };
    std::vector<Resource> resources_;
};

/// A 16×16 32-bit icon image (a device-independent bitmap with its mask, as RT_ICON holds
/// it), every pixel of one colour (0xAARRGGBB).
std::vector<std::uint8_t> iconImage(std::uint32_t argb);

/// An RT_GROUP_ICON directory naming icon images by id, each 16×16 at 32 bits.
std::vector<std::uint8_t>
iconGroup(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& idsAndSizes);

} // namespace vrx::test
