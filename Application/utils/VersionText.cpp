#include "Application/utils/VersionText.h"

#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"
#include "Platform/os/VersionResources.h"

#include <cstring>
#include <vector>

using namespace vrx::os;

std::string GetVersionText() {
    VersionResources& resources = *platform().versionResources;
    const std::string program = platform().systemInfo->programPath();
    const std::uint32_t size = resources.getFileVersionInfoSize(program);
    if (size == 0)
        return {};
    std::vector<std::uint8_t> block(size);
    // A block that could not be read holds nothing to query.
    if (!resources.getFileVersionInfo(program, size, block.data()))
        return {};
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!resources.verQueryValue(block.data(), "\\", &value, &length) || value == nullptr ||
        length < sizeof(FixedFileInfo))
        return {};
    FixedFileInfo fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    return std::to_string(fixed.dwFileVersionMS >> 16) + "." +
           std::to_string(fixed.dwFileVersionMS & 0xFFFF) + "." +
           std::to_string(fixed.dwFileVersionLS >> 16);
}
