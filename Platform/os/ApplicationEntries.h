#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vrx::os {

/// What the application entry (a desktop entry file below applications/) that launches a
/// program says of it, in the user's language where the entry has a translation.
struct ApplicationEntry {
    std::string file; // the .desktop file
    std::string name;
    std::string comment;
    std::string icon; // an absolute path or an icon name of the icon theme
};

/// The data folders in the order of precedence: $XDG_DATA_HOME (default ~/.local/share), then
/// $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
std::vector<std::string> dataDirectories();

/// The application entry whose Exec program or TryExec resolves (through $PATH and links) to
/// the same file as the executable, searched in applications/ of each data folder; an entry of
/// a folder of higher precedence hides an entry of the same id below it, also when it is
/// hidden itself. None when no entry launches the executable.
std::optional<ApplicationEntry> applicationEntryFor(const std::string& executable);

} // namespace vrx::os
