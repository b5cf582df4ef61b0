#pragma once

#include <optional>
#include <string>

namespace vrx::os {

/// Whether the path is a real directory (not a link) owned by this user, with no access for
/// group or others.
bool isPrivateFolder(const std::string& path);

/// A private folder named `name` inside `parent`, created with mode 0700 when missing; empty
/// when it cannot be created or what is already there is not private, so that nothing of ours
/// is ever placed where another user could reach it.
std::optional<std::string> privateSubfolder(const std::string& parent, const std::string& name);

} // namespace vrx::os
