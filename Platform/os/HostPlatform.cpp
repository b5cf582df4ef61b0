#include "Platform/os/Platform.h"

#include "Platform/os/Clock.h"
#include "Platform/os/Files.h"
#include "Platform/os/Icons.h"
#include "Platform/os/NamedMutexes.h"
#include "Platform/os/Network.h"
#include "Platform/os/Processes.h"
#include "Platform/os/Registry.h"
#include "Platform/os/ServiceManager.h"
#include "Platform/os/Shell.h"
#include "Platform/os/Sound.h"
#include "Platform/os/SystemInfo.h"
#include "Platform/os/VersionResources.h"
#include "Platform/os/WindowMessages.h"

namespace vrx::os {

void installHostPlatform() {
    Services& s = platform();
    s.systemInfo = &hostSystemInfo();
    s.clock = &hostClock();
    s.mutexes = &hostNamedMutexes();
    s.windowMessages = &hostWindowMessages();
    s.registry = &hostRegistry();
    s.serviceManager = &hostServiceManager();
    s.processes = &hostProcesses();
    s.files = &hostFiles();
    s.versionResources = &hostVersionResources();
    s.icons = &hostIcons();
    s.network = &hostNetwork();
    s.sound = &hostSound();
    s.shell = &hostShell();
}

} // namespace vrx::os
