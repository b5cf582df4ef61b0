#include "Platform/os/VersionResources.h"

#include "Platform/os/ApplicationEntries.h"
#include "Platform/os/Handles.h"
#include "Platform/os/PeResources.h"
#include "Platform/os/ProgramVersion.h"
#include "Platform/os/VersionBlock.h"

#include <QFileInfo>

#include <cstring>
#include <vector>

namespace vrx::os {

namespace {

namespace vb = version_block;

constexpr char kProductName[] = "VORNEX Personal FireWall";
/// The translation that blocks made here carry: U.S. English, the Western code page.
constexpr std::uint16_t kLanguage = 0x0409;
constexpr std::uint16_t kCodePage = 0x04E4;
/// The platform's "resource type not found".
constexpr std::uint32_t kResourceTypeNotFound = 1813;

std::string canonical(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
}

vb::VersionInfo withStrings(vb::VersionInfo info,
                            std::vector<std::pair<std::string, std::string>> values) {
    info.translations = {{kLanguage, kCodePage}};
    info.tables = {{vb::tableKey(kLanguage, kCodePage), std::move(values)}};
    return info;
}

/// The running program's own block: the version set in the build.
std::vector<std::uint8_t> ownBlock() {
    vb::VersionInfo info;
    info.fixed.dwStrucVersion = 0x00010000;
    info.fixed.dwFileVersionMS = (build::kVersionMajor << 16) | build::kVersionMinor;
    info.fixed.dwFileVersionLS = (build::kVersionPatch << 16) | build::kVersionTweak;
    info.fixed.dwProductVersionMS = info.fixed.dwFileVersionMS;
    info.fixed.dwProductVersionLS = info.fixed.dwFileVersionLS;
    info.fixed.dwFileOS = 0x00040004; // NT, 32-bit windows
    info.fixed.dwFileType = 1;        // an application
    return vb::makeQueryable(
        vb::write(withStrings(info, {
                                        {"ProductName", kProductName},
                                        {"FileDescription", kProductName},
                                        {"FileVersion", build::kVersionText},
                                        {"ProductVersion", build::kVersionText},
                                    })));
}

/// A block from the desktop entry that launches the program: its name and comment.
std::vector<std::uint8_t> desktopBlock(const ApplicationEntry& entry) {
    vb::VersionInfo info;
    std::vector<std::pair<std::string, std::string>> values;
    if (!entry.name.empty())
        values.emplace_back("ProductName", entry.name);
    const std::string& description = entry.comment.empty() ? entry.name : entry.comment;
    if (!description.empty())
        values.emplace_back("FileDescription", description);
    if (values.empty())
        return {};
    return vb::makeQueryable(vb::write(withStrings(info, std::move(values))));
}

/// The block handed out for a file: empty when it has none (last error set).
std::vector<std::uint8_t> blockOf(const std::string& path) {
    const std::string file = canonical(path);
    if (file.empty() || !QFileInfo(QString::fromStdString(file)).isFile()) {
        setLastError(error::kFileNotFound);
        return {};
    }
    if (file == canonical("/proc/self/exe"))
        return ownBlock();
    const PeResources pe(file);
    std::vector<std::uint8_t> block;
    if (pe.format() == PeResources::Format::Pe) {
        if (const auto resource = pe.first(PeResources::kVersion))
            block = vb::makeQueryable(*resource);
    } else if (const auto entry = applicationEntryFor(file)) {
        block = desktopBlock(*entry);
    }
    if (block.empty())
        setLastError(kResourceTypeNotFound);
    return block;
}

class LinuxVersionResources final : public VersionResources {
public:
    std::uint32_t getFileVersionInfoSize(const std::string& path) override {
        return static_cast<std::uint32_t>(blockOf(path).size());
    }

    bool getFileVersionInfo(const std::string& path, std::uint32_t size, void* data) override {
        const auto block = blockOf(path);
        if (block.empty())
            return false;
        // A cut block could not be queried safely; the caller asks for the size first.
        if (data == nullptr || size < block.size()) {
            setLastError(error::kInsufficientBuffer);
            return false;
        }
        std::memcpy(data, block.data(), block.size());
        return true;
    }

    bool verQueryValue(const void* block, const std::string& subBlock, const void** buffer,
                       std::uint32_t* length) override {
        return vb::query(block, subBlock, buffer, length);
    }
};

} // namespace

VersionResources& hostVersionResources() {
    static LinuxVersionResources resources;
    return resources;
}

} // namespace vrx::os
