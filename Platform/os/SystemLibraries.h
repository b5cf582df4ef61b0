#pragma once

#include "Platform/os/LibraryCatalog.h"

namespace vrx::os {

/// The system libraries of the NT family as far as the process-information code resolves
/// them: PSAPI.dll (loaded on demand from the system folder) with GetModuleFileNameExA and
/// EnumProcessModules, and KERNEL32.DLL (loaded in every process) with GetLongPathNameA and
/// the Tool Help snapshot walk. OpenVxDHandle exists only in the 9x family's kernel, so it is
/// not listed.
void addNtSystemLibraries(LibraryCatalog& catalog);

} // namespace vrx::os
