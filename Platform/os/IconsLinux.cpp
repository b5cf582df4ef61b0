#include "Platform/os/Icons.h"

#include "Platform/os/ApplicationEntries.h"
#include "Platform/os/Handles.h"
#include "Platform/os/IconTheme.h"
#include "Platform/os/LittleEndian.h"
#include "Platform/os/PeResources.h"

#include <QFile>
#include <QFileInfo>

namespace vrx::os {

namespace {

// The icon file format (ICO) and the icon group resource it is made from:
//
//   ICO file      u16 0, u16 type 1, u16 count; count × 16-byte entries; the images
//   ICO entry     u8 width, u8 height, u8 colours, u8 0, u16 planes, u16 bits,
//                 u32 bytes of the image, u32 offset of the image in the file
//   group (RT_GROUP_ICON)  the same header; count × 14-byte entries, which end in the u16 id
//                 of the RT_ICON resource that holds the image instead of its offset
constexpr std::size_t kIconHeaderSize = 6;
constexpr std::size_t kIcoEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::uint16_t kIconType = 1;
/// An icon file larger than this is not made; real icons are a few hundred kilobytes.
constexpr std::size_t kMaxIconFileSize = 16u << 20;

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

/// Whether bytes start as an icon file with at least one image.
bool isIconFile(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= kIconHeaderSize && readU16(bytes.data()) == 0 &&
           readU16(bytes.data() + 2) == kIconType && readU16(bytes.data() + 4) > 0;
}

/// The icon file of a group: its images that the file holds, in the group's order. None when
/// the group is malformed or none of its images is there.
std::shared_ptr<const IconImage> iconFileOfGroup(const PeResources& pe,
                                                 const std::vector<std::uint8_t>& group) {
    if (!isIconFile(group))
        return nullptr;
    const std::size_t count = readU16(group.data() + 4);
    struct Image {
        const std::uint8_t* entry;
        std::vector<std::uint8_t> data;
    };
    std::vector<Image> images;
    std::size_t total = kIconHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kIconHeaderSize + i * kGroupEntrySize;
        if (at + kGroupEntrySize > group.size())
            break;
        const std::uint8_t* entry = group.data() + at;
        auto data = pe.data(PeResources::kIcon, {readU16(entry + 12), {}});
        if (!data)
            continue; // a group may name an image the file lacks; the others still show
        total += kIcoEntrySize + data->size();
        if (total > kMaxIconFileSize)
            break;
        images.push_back({entry, std::move(*data)});
    }
    if (images.empty())
        return nullptr;

    auto icon = std::make_shared<IconImage>();
    icon->format = "ico";
    std::vector<std::uint8_t>& file = icon->data;
    file.resize(kIconHeaderSize + kIcoEntrySize * images.size());
    put16(file, 2, kIconType);
    put16(file, 4, static_cast<std::uint16_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t at = kIconHeaderSize + i * kIcoEntrySize;
        // Width, height, colours, reserved, planes and bits as the group gives them.
        for (std::size_t k = 0; k < 8; ++k)
            file[at + k] = images[i].entry[k];
        put32(file, at + 8, static_cast<std::uint32_t>(images[i].data.size()));
        put32(file, at + 12, static_cast<std::uint32_t>(file.size()));
        file.insert(file.end(), images[i].data.begin(), images[i].data.end());
    }
    return icon;
}

std::optional<std::vector<std::uint8_t>> readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > static_cast<qint64>(kMaxIconFileSize))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

/// The format of an image file of an icon theme, by its name.
std::string formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix.isEmpty() ? std::string{} : suffix.toStdString();
}

/// The icon that an application entry names: an absolute path, or a name of the icon theme.
std::shared_ptr<const IconImage> entryIcon(const ApplicationEntry& entry) {
    std::string file = entry.icon;
    if (file.empty())
        return nullptr;
    if (file[0] != '/')
        file = iconThemeFile(file);
    if (file.empty())
        return nullptr;
    const QString path = QString::fromStdString(file);
    const auto bytes = readWhole(path);
    if (!bytes || bytes->empty())
        return nullptr;
    auto icon = std::make_shared<IconImage>();
    icon->data = std::move(*bytes);
    icon->format = isIconFile(icon->data) ? "ico" : formatOf(path);
    return icon;
}

class LinuxIcons final : public Icons {
public:
    std::shared_ptr<const IconImage> extractIcon(const std::string& path,
                                                 std::uint32_t index) override {
        const QFileInfo info(QString::fromStdString(path));
        if (!info.isFile()) {
            setLastError(error::kFileNotFound);
            return nullptr;
        }
        const std::string file = info.canonicalFilePath().toStdString();
        const PeResources pe(file);
        if (pe.format() == PeResources::Format::Pe) {
            const auto groups = pe.names(PeResources::kGroupIcon);
            if (index >= groups.size())
                return nullptr;
            const auto group = pe.data(PeResources::kGroupIcon, groups[index]);
            return group ? iconFileOfGroup(pe, *group) : nullptr;
        }
        if (index != 0)
            return nullptr; // other files have one icon at the most
        // An icon file is its own first icon.
        if (info.suffix().compare(QStringLiteral("ico"), Qt::CaseInsensitive) == 0) {
            auto bytes = readWhole(info.filePath());
            if (bytes && isIconFile(*bytes))
                return std::make_shared<IconImage>(IconImage{std::move(*bytes), "ico"});
            return nullptr;
        }
        const auto entry = applicationEntryFor(file);
        return entry ? entryIcon(*entry) : nullptr;
    }
};

} // namespace

Icons& hostIcons() {
    static LinuxIcons icons;
    return icons;
}

} // namespace vrx::os
