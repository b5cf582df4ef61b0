#pragma once

#include <cstdint>
#include <string>

namespace vrx::os {

/// The fixed part of a version resource, as the root block "\" returns it.
struct FixedFileInfo {
    std::uint32_t dwSignature = 0xFEEF04BD;
    std::uint32_t dwStrucVersion = 0;
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(FixedFileInfo) == 52);

/// Version resources of executable files, as the platform's version-information calls give
/// them: the size, a copy of the resource block, and queries into that block.
///
/// On the Linux host the block is read from a PE file's version resource; for any other
/// executable it is made from the desktop entry that launches it (its name as "ProductName",
/// its comment as "FileDescription"); the running program reports the version set in the build.
class VersionResources {
public:
    virtual ~VersionResources() = default;

    /// Bytes needed for the file's version block; 0 when it has none.
    virtual std::uint32_t getFileVersionInfoSize(const std::string& path) = 0;

    /// Copies the version block (at most size bytes) into data.
    virtual bool getFileVersionInfo(const std::string& path, std::uint32_t size, void* data) = 0;

    /// Looks up a sub-block inside a block that getFileVersionInfo filled: "\" for the fixed
    /// part, "\VarFileInfo\Translation" for the translation table (pairs of 16-bit language
    /// and code page), "\StringFileInfo\<lang><codepage>\<key>" for a string value (a NUL-
    /// terminated text, its length in characters with the terminator). The result points into
    /// the block. Returns true when found.
    virtual bool verQueryValue(const void* block, const std::string& subBlock, const void** buffer,
                               std::uint32_t* length) = 0;
};

/// The Linux host's implementation (its file: VersionResourcesLinux.cpp).
VersionResources& hostVersionResources();

} // namespace vrx::os
