#pragma once

#include <string>

/// The program: refuses to run twice (a second copy tells the running one that it was started
/// again, or to unload, and ends with 1), then runs the hidden main form's message loop until
/// the program is ended; 0 then, also after an error that escaped.
int RunProgram(const std::string& commandTail);

/// When another copy runs: notifies its window (0x0BD1 for exactly "unload", 0x0BD0 for any
/// other tail) and returns true; the caller then ends with 1.
bool CheckSingleInstance(const std::string& commandTail);
