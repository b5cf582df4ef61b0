#pragma once

#include "Platform/os/SystemInfo.h"

/// Clears the 148-byte version record, sets its size field and asks the platform for the
/// version; the platform's answer is the result.
bool GetOSVersion(vrx::os::OsVersionRecord& record);
