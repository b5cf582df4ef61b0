#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vrx::os {

/// An icon as image data in a format the window framework can decode (ICO, PNG, SVG, XPM).
struct IconImage {
    std::vector<std::uint8_t> data;
    std::string format; // "ico", "png", "svg", "xpm"
};

/// Icons of files. On the Linux host: the icon groups of a PE file's resources, each as an ICO
/// file of its images; an ICO file itself; for other executables, the icon named by the
/// desktop entry that launches them, looked up in the icon theme; none otherwise.
class Icons {
public:
    virtual ~Icons() = default;

    /// The icon at the index of the file (of a PE file its index-th icon group; other files
    /// have index 0 only), or none.
    virtual std::shared_ptr<const IconImage> extractIcon(const std::string& path,
                                                         std::uint32_t index) = 0;
};

/// The Linux host's implementation (its file: IconsLinux.cpp).
Icons& hostIcons();

} // namespace vrx::os
