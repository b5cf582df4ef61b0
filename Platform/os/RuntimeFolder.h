#pragma once

#include <optional>
#include <string>

namespace vrx::os {

/// The per-user runtime folder in which the host keeps the files that processes of the same
/// user meet at (lock files of named mutexes, local sockets): $XDG_RUNTIME_DIR when it is an
/// absolute path to a folder that the user owns and that nobody else may enter; otherwise a
/// folder of the user's own below the temporary folder, created with mode 0700. An existing
/// folder is trusted only when it is a real folder (no link), owned by the user, mode 0700, so
/// another user cannot plant or read the files. Empty when no such folder can be had. No
/// trailing separator. The environment is read at every call.
std::optional<std::string> userRuntimeFolder();

} // namespace vrx::os
