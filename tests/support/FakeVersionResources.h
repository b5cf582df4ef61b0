#pragma once

#include "Platform/os/VersionBlock.h"
#include "Platform/os/VersionResources.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vrx::test {

/// Version resources of files that exist only in memory. Each file's resource is real
/// VS_VERSIONINFO bytes, written from a description, so the queries are the host's own.
class FakeVersionResources : public os::VersionResources {
public:
    /// A description with one translation (language, code page) and its string table; the file
    /// version as four numbers (a.b.c.d), the product version the same.
    static os::version_block::VersionInfo
    versionInfo(const std::vector<std::pair<std::string, std::string>>& strings,
                std::array<std::uint16_t, 4> fileVersion = {1, 0, 0, 0},
                std::uint16_t language = 0x0409, std::uint16_t codePage = 0x04E4);

    void addFile(const std::string& path, const os::version_block::VersionInfo& info);
    /// A file whose resource is the given bytes, well-formed or not.
    void addResource(const std::string& path, std::vector<std::uint8_t> resource);
    void removeFile(const std::string& path);

    /// The paths asked for, by getFileVersionInfoSize and getFileVersionInfo.
    std::vector<std::string> requests;

    std::uint32_t getFileVersionInfoSize(const std::string& path) override;
    bool getFileVersionInfo(const std::string& path, std::uint32_t size, void* data) override;
    bool verQueryValue(const void* block, const std::string& subBlock, const void** buffer,
                       std::uint32_t* length) override;

private:
    std::map<std::string, std::vector<std::uint8_t>> blocks_; // as handed out
};

} // namespace vrx::test
