#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrx::os {

/// The resources of a PE file (the executable format of the platform the program was made
/// for), read with every offset and size checked against the file, so a damaged or hostile
/// file yields "no resource" and never a read outside it.
///
/// The reader follows: the DOS header ("MZ", e_lfanew at 0x3C) → the PE signature and file
/// header → the optional header (PE32 or PE32+) and its resource data directory (entry 2) →
/// the section table, through which relative addresses map to file offsets → the resource
/// directory tree, three levels deep (type, name, language), whose leaves give the relative
/// address and size of each resource's data.
class PeResources {
public:
    /// Resource types of the tree's first level.
    static constexpr std::uint32_t kIcon = 3;
    static constexpr std::uint32_t kGroupIcon = 14;
    static constexpr std::uint32_t kVersion = 16;

    /// No resource is read larger than this; version resources and icons are far smaller.
    static constexpr std::uint32_t kMaxResourceSize = 16u << 20;

    enum class Format { NotPe, Pe };

    /// A resource's name on the second level: a number, or a text for a named entry.
    struct Name {
        std::uint32_t id = 0;
        std::u16string text; // non-empty for a named entry
    };

    /// Reads the headers and the resource directory of the file.
    explicit PeResources(const std::string& path);

    /// Whether the file is a PE file at all (its signatures are in place); a PE file whose
    /// resource directory is damaged has no resources.
    Format format() const { return format_; }

    /// The names of the resources of a type, in the directory's order.
    std::vector<Name> names(std::uint32_t type) const;

    /// The data of a resource in its first language; none when absent or out of bounds.
    std::optional<std::vector<std::uint8_t>> data(std::uint32_t type, const Name& name) const;

    /// The data of the first resource of a type.
    std::optional<std::vector<std::uint8_t>> first(std::uint32_t type) const;

private:
    struct Section {
        std::uint32_t virtualAddress = 0;
        std::uint32_t virtualSize = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t rawOffset = 0;
    };
    struct Entry {
        Name name;
        bool isDirectory = false;
        std::uint32_t offset = 0; // into the directory bytes
    };

    std::optional<std::uint64_t> fileOffset(std::uint32_t rva, std::uint32_t size) const;
    std::vector<Entry> entries(std::uint32_t directoryOffset) const;
    std::optional<Entry> typeDirectory(std::uint32_t type) const;
    bool read(std::uint64_t offset, void* buffer, std::size_t size) const;

    std::string path_;
    std::uint64_t fileSize_ = 0;
    Format format_ = Format::NotPe;
    std::vector<Section> sections_;
    std::vector<std::uint8_t> directory_; // the resource section's bytes from the tree's root
};

} // namespace vrx::os
