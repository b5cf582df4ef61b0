#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vrx::os {

/// Desktop entry files (the freedesktop.org Desktop Entry format), as far as the host's
/// autostart entries need them.

/// Whether a reader keeps the translated forms of keys (Name[zh_CN]) or passes over them.
enum class LocalisedKeys { Skip, Keep };

/// The keys of the [Desktop Entry] group with their values, escapes resolved; the first
/// occurrence of a key counts. Comments and other groups are passed over, and so are localised
/// keys unless asked for.
std::map<std::string, std::string> parseDesktopEntry(const std::string& text,
                                                     LocalisedKeys localised = LocalisedKeys::Skip);

/// The arguments of an Exec value (escapes already resolved) by the format's quoting rules,
/// "%%" read as '%'; none when the value is malformed (a quote left open).
std::optional<std::vector<std::string>> execArguments(const std::string& exec);

/// A string value with the format's escapes: backslash, line breaks, tabs, and leading and
/// trailing blanks (which a reader would otherwise trim).
std::string escapeDesktopString(const std::string& value);

/// The Exec value that starts one program: the path as a single quoted argument, with the
/// quoting rules' escapes, '%' doubled so it is no field code, and the string escapes applied
/// after (so a backslash in the path ends up as four).
std::string execOfProgram(const std::string& program);

/// The reverse of execOfProgram for an Exec value read from a file (escapes already resolved):
/// the program when the value holds a single argument, else the command line as it stands.
std::string programOfExec(const std::string& exec);

} // namespace vrx::os
