#pragma once

#include <string>

/// Start with the system: writes (enable) or deletes the value `name` under the machine-wide
/// Run key, its data the full path of the program's executable. The key is opened, never
/// created; a missing value is no error when deleting. True when the key opened. The settings
/// window calls it with the value name "VORNEX Personal FireWall" and ignores the result.
bool SetRunAtStart(bool enable, const std::string& name);
