#include "Platform/os/SystemLibraries.h"

namespace vrx::os {

void addNtSystemLibraries(LibraryCatalog& catalog) {
    catalog.addLibrary("PSAPI.dll", Residence::LoadedOnDemand,
                       {"GetModuleFileNameExA", "EnumProcessModules"});
    catalog.addLibrary(
        "KERNEL32.DLL", Residence::AlwaysLoaded,
        {"GetLongPathNameA", "CreateToolhelp32Snapshot", "Process32First", "Process32Next"});
}

} // namespace vrx::os
