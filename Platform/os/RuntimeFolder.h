#pragma once

#include <optional>
#include <string>

namespace vrx::os {

/// The per-user runtime folder in which the host keeps its sockets and lock files: the folder
/// named by $XDG_RUNTIME_DIR, or, when that is unset or not private, a folder of our own below
/// the temporary folder, created with mode 0700. A folder counts as private only when it is a
/// real directory (not a link) owned by this user with no access for group or others; empty
/// when no such folder can be had, so nothing is ever placed where another user could reach it.
std::optional<std::string> userRuntimeFolder();

/// The same choice with its inputs given: the value of $XDG_RUNTIME_DIR (null when unset) and
/// the folder below which the fallback folder is made.
std::optional<std::string> userRuntimeFolder(const char* xdgRuntimeDir,
                                             const std::string& fallbackBase);

/// A private folder named `name` inside `parent`, created with mode 0700 when missing; empty
/// when it cannot be created or what is there is not private.
std::optional<std::string> privateSubfolder(const std::string& parent, const std::string& name);

/// Whether the path is a real directory owned by this user without group or other access.
bool isPrivateFolder(const std::string& path);

} // namespace vrx::os
