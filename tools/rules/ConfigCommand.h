#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// The rules tool's "config" subcommand, on an enciphered configuration file:
///
///     config show FILE             the settings as one JSON object on the output
///     config write JSONFILE FILE   FILE written from such an object, as the program saves it
///
/// The object's members: "Version" (text), "RunAtStart" (bool), "SaftyLevel" (32-bit integer),
/// "SoundFile" (text), "AppRuleSilent" (bool), "LocalNetIP" and "LocalNetMask" (arrays of
/// texts of equal length) and "VersionChanged" (bool: whether the file held no version or one
/// other than the program's). "show" prints the settings as a load leaves them, so Version is
/// always the program's version and missing keys show their defaults. "write" needs every
/// member but VersionChanged, which it accepts and ignores, since it is not stored.
///
/// `args` are the words after "config". On bad input (wrong words, a missing or unreadable file,
/// a member missing, unknown or of the wrong type, a text with a line break or a zero character)
/// one line goes to `err`, nothing is written and the result is 1; otherwise 0. The plain text
/// of the file stands only in a private temporary folder while the command runs.
///
/// The program folder of the platform's system information gives the default SoundFile, so the
/// platform services must be installed before this runs.
int RunConfigCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
