#pragma once

#include <string>

/// Opens a file, folder or web address with the shell's default verb, no parameters and no
/// working folder, in a normal window. The outcome is not examined.
void OpenWithShell(const std::string& target);
