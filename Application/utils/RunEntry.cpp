#include "Application/utils/RunEntry.h"

#include "Platform/os/Platform.h"
#include "Platform/os/Registry.h"
#include "Platform/os/SystemInfo.h"

using namespace vrx::os;

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

bool SetRunAtStart(bool enable, const std::string& name) {
    Registry& registry = *platform().registry;
    Handle key = kInvalidHandle;
    if (registry.openKey(kHkeyLocalMachine, kRunKey, kKeyAllAccess, key) != error::kSuccess)
        return false;
    // Only the opening is reported: a failed write or a value that was not there to delete
    // changes nothing the caller could act on.
    if (enable)
        (void)registry.setValue(key, name,
                                RegistryValue{kRegSz, platform().systemInfo->programPath()});
    else
        (void)registry.deleteValue(key, name);
    (void)registry.closeKey(key);
    return true;
}
