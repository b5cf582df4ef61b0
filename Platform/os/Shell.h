#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vrx::os {

inline constexpr int kSwShowNormal = 1;

/// The desktop shell: open a file, folder or web address with its default handler.
class Shell {
public:
    virtual ~Shell() = default;

    /// Returns a value above 32 on success, as the platform does (2 file not found, 31 no
    /// handler). An empty verb is the default verb.
    virtual std::uint32_t shellExecute(const std::optional<std::string>& verb,
                                       const std::string& file,
                                       const std::optional<std::string>& parameters,
                                       const std::optional<std::string>& directory,
                                       int showCommand) = 0;
};

/// The Linux host's implementation (its file: ShellLinux.cpp).
Shell& hostShell();

} // namespace vrx::os
