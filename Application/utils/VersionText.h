#pragma once

#include <string>

/// The program's own version as "major.minor.release", read from the version resource of its
/// executable (the fourth number, the build, is not shown: file version 2.4.8.84 gives
/// "2.4.8"). The empty text when the executable has no readable version resource.
std::string GetVersionText();
