#include "tests/support/PeFileBuilder.h"

#include <fstream>
#include <map>

namespace vrx::test {

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

void append16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    put16(b, b.size(), v);
}
void append32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put32(b, b.size(), v);
}

constexpr std::uint32_t align(std::uint32_t v, std::uint32_t to) {
    return (v + to - 1) / to * to;
}

} // namespace

PeFileBuilder& PeFileBuilder::add(std::uint32_t type, std::uint32_t id,
                                  std::vector<std::uint8_t> data, std::uint16_t language) {
    resources_.push_back({type, id, language, std::move(data)});
    return *this;
}

std::vector<std::uint8_t> PeFileBuilder::build() const {
    // The tree: type → id → language, sorted by number as linkers write it.
    std::map<std::uint32_t, std::map<std::uint32_t, std::map<std::uint16_t, const Resource*>>> tree;
    for (const Resource& r : resources_)
        tree[r.type][r.id][r.language] = &r;

    // Layout of the section: all directories first, then the data entries, then the data.
    auto directorySize = [](std::size_t entries) {
        return static_cast<std::uint32_t>(16 + 8 * entries);
    };
    std::uint32_t size = directorySize(tree.size());
    for (const auto& [type, ids] : tree) {
        size += directorySize(ids.size());
        for (const auto& [id, languages] : ids)
            size += directorySize(languages.size());
    }
    const std::uint32_t dataEntries = size;
    size += static_cast<std::uint32_t>(16 * resources_.size());

    std::vector<std::uint8_t> section(size);
    auto header = [&](std::uint32_t at, std::size_t count) {
        put16(section, at + 14, static_cast<std::uint16_t>(count)); // all entries by number
    };
    std::uint32_t next = directorySize(tree.size());
    std::uint32_t nextData = dataEntries;
    header(0, tree.size());
    std::uint32_t typeIndex = 0;
    for (const auto& [type, ids] : tree) {
        const std::uint32_t typeDir = next;
        next += directorySize(ids.size());
        put32(section, 16 + 8 * typeIndex, type);
        put32(section, 16 + 8 * typeIndex + 4, 0x80000000u | typeDir);
        ++typeIndex;
        header(typeDir, ids.size());
        std::uint32_t idIndex = 0;
        for (const auto& [id, languages] : ids) {
            const std::uint32_t languageDir = next;
            next += directorySize(languages.size());
            put32(section, typeDir + 16 + 8 * idIndex, id);
            put32(section, typeDir + 16 + 8 * idIndex + 4, 0x80000000u | languageDir);
            ++idIndex;
            header(languageDir, languages.size());
            std::uint32_t languageIndex = 0;
            for (const auto& [language, resource] : languages) {
                put32(section, languageDir + 16 + 8 * languageIndex, language);
                put32(section, languageDir + 16 + 8 * languageIndex + 4, nextData);
                ++languageIndex;
                // The data entry; the data follows at the end, 4-aligned.
                const auto at = static_cast<std::uint32_t>(
                    align(static_cast<std::uint32_t>(section.size()), 4));
                section.resize(at);
                section.insert(section.end(), resource->data.begin(), resource->data.end());
                put32(section, nextData, kResourceSectionRva + at);
                put32(section, nextData + 4, static_cast<std::uint32_t>(resource->data.size()));
                nextData += 16;
            }
        }
    }
    const auto rawSize = align(static_cast<std::uint32_t>(section.size()), 0x200);
    section.resize(rawSize);

    std::vector<std::uint8_t> file(kResourceSectionOffset);
    file[0] = 'M';
    file[1] = 'Z';
    put32(file, 0x3C, kPeHeaderOffset);
    // PE signature and file header: i386, one section, a 224-byte optional header, executable.
    file[kPeHeaderOffset] = 'P';
    file[kPeHeaderOffset + 1] = 'E';
    put16(file, kPeHeaderOffset + 4, 0x014C);
    put16(file, kPeHeaderOffset + 6, 1);
    put16(file, kPeHeaderOffset + 20, 224);
    put16(file, kPeHeaderOffset + 22, 0x0102);
    // Optional header (PE32).
    const std::uint32_t o = kOptionalHeaderOffset;
    put16(file, o, 0x10B);
    put32(file, o + 28, 0x00400000);                                   // image base
    put32(file, o + 32, 0x1000);                                       // section alignment
    put32(file, o + 36, 0x200);                                        // file alignment
    put16(file, o + 40, 4);                                            // OS version 4.0
    put16(file, o + 48, 4);                                            // subsystem version 4.0
    put32(file, o + 56, kResourceSectionRva + align(rawSize, 0x1000)); // image size
    put32(file, o + 60, kResourceSectionOffset);                       // headers size
    put16(file, o + 68, 2);                                            // subsystem: windows GUI
    put32(file, o + 92, 16);                                           // data directories
    put32(file, kResourceDirectoryEntryOffset, kResourceSectionRva);
    put32(file, kResourceDirectoryEntryOffset + 4, size);
    // Section header ".rsrc".
    const std::uint32_t s = kSectionHeaderOffset;
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        file[s + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(name[i]);
    put32(file, s + 8, static_cast<std::uint32_t>(section.size())); // virtual size
    put32(file, s + 12, kResourceSectionRva);
    put32(file, s + 16, rawSize);
    put32(file, s + 20, kResourceSectionOffset);
    put32(file, s + 36, 0x40000040); // initialised data, readable
    file.insert(file.end(), section.begin(), section.end());
    return file;
}

bool PeFileBuilder::writeTo(const std::string& path) const {
    const auto bytes = build();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> iconImage(std::uint32_t argb) {
    std::vector<std::uint8_t> image;
    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    append32(image, 40);
    append32(image, 16);
    append32(image, 32);
    append16(image, 1);
    append16(image, 32);
    for (int i = 0; i < 6; ++i)
        append32(image, 0);
    for (int pixel = 0; pixel < 16 * 16; ++pixel)
        append32(image, argb); // stored as B, G, R, A
    for (int row = 0; row < 16; ++row)
        append32(image, 0); // the mask: every pixel shown
    return image;
}

std::vector<std::uint8_t>
iconGroup(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& idsAndSizes) {
    std::vector<std::uint8_t> group;
    append16(group, 0);
    append16(group, 1);
    append16(group, static_cast<std::uint16_t>(idsAndSizes.size()));
    for (const auto& [id, bytes] : idsAndSizes) {
        group.push_back(16); // width
        group.push_back(16); // height
        group.push_back(0);  // colours
        group.push_back(0);
        append16(group, 1);  // planes
        append16(group, 32); // bits
        append32(group, bytes);
        append16(group, id);
    }
    return group;
}

} // namespace vrx::test
