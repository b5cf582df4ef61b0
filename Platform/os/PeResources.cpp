#include "Platform/os/PeResources.h"

#include "Platform/os/LittleEndian.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vrx::os {

namespace {

// Offsets and sizes of the PE format's records.
constexpr std::uint32_t kDosHeaderSize = 64;
constexpr std::uint32_t kNewHeaderOffsetField = 0x3C;
constexpr std::uint32_t kFileHeaderSize = 24; // "PE\0\0" and the COFF file header
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kPe32DirectoryCountOffset = 92;
constexpr std::uint32_t kPe32PlusDirectoryCountOffset = 108;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxSections = 96;
constexpr std::uint32_t kDirectoryHeaderSize = 16;
constexpr std::uint32_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
/// The resource tree is read into memory up to this size.
constexpr std::uint32_t kMaxDirectorySize = 64u << 20;

class File {
public:
    explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~File() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace

bool PeResources::read(std::uint64_t offset, void* buffer, std::size_t size) const {
    if (offset > fileSize_ || size > fileSize_ - offset)
        return false;
    File file(path_);
    if (file.fd() < 0)
        return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(file.fd(), out, size, static_cast<off_t>(offset));
        if (got <= 0)
            return false; // the file shrank or cannot be read
        out += got;
        offset += static_cast<std::uint64_t>(got);
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

PeResources::PeResources(const std::string& path) : path_(path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    fileSize_ = static_cast<std::uint64_t>(info.st_size);

    std::uint8_t dos[kDosHeaderSize];
    if (!read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return;
    const std::uint32_t peOffset = readU32(dos + kNewHeaderOffsetField);
    std::uint8_t header[kFileHeaderSize];
    if (!read(peOffset, header, sizeof header) || header[0] != 'P' || header[1] != 'E' ||
        header[2] != 0 || header[3] != 0)
        return;
    format_ = Format::Pe;

    const std::uint16_t sectionCount = readU16(header + 6);
    const std::uint16_t optionalSize = readU16(header + 20);
    std::vector<std::uint8_t> optional(optionalSize);
    if (sectionCount > kMaxSections ||
        !read(std::uint64_t{peOffset} + kFileHeaderSize, optional.data(), optional.size()) ||
        optionalSize < 2)
        return;
    const std::uint16_t magic = readU16(optional.data());
    std::uint32_t countOffset = 0;
    if (magic == kPe32Magic)
        countOffset = kPe32DirectoryCountOffset;
    else if (magic == kPe32PlusMagic)
        countOffset = kPe32PlusDirectoryCountOffset;
    else
        return;
    const std::uint32_t resourceEntry = countOffset + 4 + kResourceDirectoryIndex * 8;
    if (resourceEntry + 8 > optionalSize ||
        readU32(optional.data() + countOffset) <= kResourceDirectoryIndex)
        return;
    const std::uint32_t resourceRva = readU32(optional.data() + resourceEntry);
    const std::uint32_t resourceSize = readU32(optional.data() + resourceEntry + 4);

    std::vector<std::uint8_t> table(std::size_t{sectionCount} * kSectionHeaderSize);
    if (!read(std::uint64_t{peOffset} + kFileHeaderSize + optionalSize, table.data(), table.size()))
        return;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* s = table.data() + std::size_t{i} * kSectionHeaderSize;
        sections_.push_back({readU32(s + 12), readU32(s + 8), readU32(s + 16), readU32(s + 20)});
    }
    if (resourceRva == 0 || resourceSize < kDirectoryHeaderSize)
        return;
    // The tree is read as far as the section that holds it has data in the file: linkers do not
    // always give the directory's size exactly.
    const auto section = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) {
        return resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < s.rawSize;
    });
    if (section == sections_.end())
        return;
    const std::uint64_t start =
        std::uint64_t{section->rawOffset} + (resourceRva - section->virtualAddress);
    if (start >= fileSize_)
        return;
    const std::uint64_t available = std::min<std::uint64_t>(
        section->rawSize - (resourceRva - section->virtualAddress), fileSize_ - start);
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(
        {available, std::max(resourceSize, kDirectoryHeaderSize), kMaxDirectorySize}));
    std::vector<std::uint8_t> directory(size);
    if (read(start, directory.data(), directory.size()))
        directory_ = std::move(directory);
}

std::optional<std::uint64_t> PeResources::fileOffset(std::uint32_t rva, std::uint32_t size) const {
    for (const Section& s : sections_) {
        if (rva < s.virtualAddress)
            continue;
        const std::uint64_t into = rva - s.virtualAddress;
        if (into + size > s.rawSize)
            continue;
        const std::uint64_t offset = s.rawOffset + into;
        if (offset + size <= fileSize_)
            return offset;
    }
    return std::nullopt;
}

std::vector<PeResources::Entry> PeResources::entries(std::uint32_t directoryOffset) const {
    std::vector<Entry> result;
    if (std::uint64_t{directoryOffset} + kDirectoryHeaderSize > directory_.size())
        return result;
    const std::uint8_t* header = directory_.data() + directoryOffset;
    const std::uint32_t count = std::uint32_t{readU16(header + 12)} + readU16(header + 14);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = std::uint64_t{directoryOffset} + kDirectoryHeaderSize +
                                 std::uint64_t{i} * kDirectoryEntrySize;
        if (at + kDirectoryEntrySize > directory_.size())
            break;
        const std::uint32_t nameField = readU32(directory_.data() + at);
        const std::uint32_t offsetField = readU32(directory_.data() + at + 4);
        Entry entry;
        entry.isDirectory = (offsetField & kHighBit) != 0;
        entry.offset = offsetField & ~kHighBit;
        if (nameField & kHighBit) {
            // A named entry: a counted UTF-16 text inside the tree.
            const std::uint64_t text = nameField & ~kHighBit;
            if (text + 2 > directory_.size())
                continue;
            const std::uint16_t length = readU16(directory_.data() + text);
            if (text + 2 + std::uint64_t{length} * 2 > directory_.size() || length == 0)
                continue;
            for (std::uint16_t c = 0; c < length; ++c)
                entry.name.text.push_back(
                    static_cast<char16_t>(readU16(directory_.data() + text + 2 + 2 * c)));
        } else {
            entry.name.id = nameField & 0xFFFF;
        }
        result.push_back(std::move(entry));
    }
    return result;
}

std::optional<PeResources::Entry> PeResources::typeDirectory(std::uint32_t type) const {
    for (const Entry& entry : entries(0))
        if (entry.name.text.empty() && entry.name.id == type && entry.isDirectory)
            return entry;
    return std::nullopt;
}

std::vector<PeResources::Name> PeResources::names(std::uint32_t type) const {
    std::vector<Name> result;
    if (const auto typeEntry = typeDirectory(type))
        for (const Entry& entry : entries(typeEntry->offset))
            if (entry.isDirectory)
                result.push_back(entry.name);
    return result;
}

std::optional<std::vector<std::uint8_t>> PeResources::data(std::uint32_t type,
                                                           const Name& name) const {
    const auto typeEntry = typeDirectory(type);
    if (!typeEntry)
        return std::nullopt;
    for (const Entry& nameEntry : entries(typeEntry->offset)) {
        if (!nameEntry.isDirectory || nameEntry.name.text != name.text ||
            (name.text.empty() && nameEntry.name.id != name.id))
            continue;
        // The first language whose leaf is a data entry.
        for (const Entry& language : entries(nameEntry.offset)) {
            if (language.isDirectory ||
                std::uint64_t{language.offset} + kDataEntrySize > directory_.size())
                continue;
            const std::uint8_t* leaf = directory_.data() + language.offset;
            const std::uint32_t rva = readU32(leaf);
            const std::uint32_t size = readU32(leaf + 4);
            if (size == 0 || size > kMaxResourceSize)
                return std::nullopt;
            const auto offset = fileOffset(rva, size);
            if (!offset)
                return std::nullopt;
            std::vector<std::uint8_t> bytes(size);
            if (!read(*offset, bytes.data(), bytes.size()))
                return std::nullopt;
            return bytes;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PeResources::first(std::uint32_t type) const {
    const auto all = names(type);
    if (all.empty())
        return std::nullopt;
    return data(type, all.front());
}

} // namespace vrx::os
