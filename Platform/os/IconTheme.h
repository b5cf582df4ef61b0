#pragma once

#include <string>

namespace vrx::os {

/// The size of icon a file's "first icon" stands for: the platform's large icon.
inline constexpr int kLargeIconSize = 32;

/// The file of a named icon (the Icon key of a desktop entry), found as freedesktop.org icon
/// themes lay them out: below icons/hicolor of ~/.icons and of each data folder (hicolor is the
/// theme every theme inherits and where applications install their icons), in folders named
/// by size ("32x32", "48x48@2") or "scalable", then in /usr/share/pixmaps. Of the sized
/// images the smallest not below kLargeIconSize is taken, else the largest; a scalable image
/// when there is no sized one. Empty when the theme has no such icon.
std::string iconThemeFile(const std::string& name);

} // namespace vrx::os
