#include "tests/support/FakeVersionResources.h"

#include "Platform/os/Handles.h"

#include <cstring>

namespace vrx::test {

namespace vb = os::version_block;

vb::VersionInfo
FakeVersionResources::versionInfo(const std::vector<std::pair<std::string, std::string>>& strings,
                                  std::array<std::uint16_t, 4> fileVersion, std::uint16_t language,
                                  std::uint16_t codePage) {
    vb::VersionInfo info;
    info.fixed.dwStrucVersion = 0x00010000;
    info.fixed.dwFileVersionMS = (std::uint32_t{fileVersion[0]} << 16) | fileVersion[1];
    info.fixed.dwFileVersionLS = (std::uint32_t{fileVersion[2]} << 16) | fileVersion[3];
    info.fixed.dwProductVersionMS = info.fixed.dwFileVersionMS;
    info.fixed.dwProductVersionLS = info.fixed.dwFileVersionLS;
    info.translations = {{language, codePage}};
    info.tables = {{vb::tableKey(language, codePage), strings}};
    return info;
}

void FakeVersionResources::addFile(const std::string& path, const vb::VersionInfo& info) {
    addResource(path, vb::write(info));
}

void FakeVersionResources::addResource(const std::string& path,
                                       std::vector<std::uint8_t> resource) {
    blocks_[path] = vb::makeQueryable(resource);
}

void FakeVersionResources::removeFile(const std::string& path) {
    blocks_.erase(path);
}

std::uint32_t FakeVersionResources::getFileVersionInfoSize(const std::string& path) {
    requests.push_back(path);
    const auto it = blocks_.find(path);
    if (it == blocks_.end() || it->second.empty()) {
        os::setLastError(os::error::kFileNotFound);
        return 0;
    }
    return static_cast<std::uint32_t>(it->second.size());
}

bool FakeVersionResources::getFileVersionInfo(const std::string& path, std::uint32_t size,
                                              void* data) {
    requests.push_back(path);
    const auto it = blocks_.find(path);
    if (it == blocks_.end() || it->second.empty()) {
        os::setLastError(os::error::kFileNotFound);
        return false;
    }
    if (data == nullptr || size < it->second.size()) {
        os::setLastError(os::error::kInsufficientBuffer);
        return false;
    }
    std::memcpy(data, it->second.data(), it->second.size());
    return true;
}

bool FakeVersionResources::verQueryValue(const void* block, const std::string& subBlock,
                                         const void** buffer, std::uint32_t* length) {
    return vb::query(block, subBlock, buffer, length);
}

} // namespace vrx::test
