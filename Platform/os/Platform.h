#pragma once

namespace vrx::os {

class SystemInfo;
class Clock;
class NamedMutexes;
class WindowMessages;
class Registry;
class ServiceManager;
class Processes;
class Files;
class VersionResources;
class Icons;
class Network;
class Sound;
class Shell;

/// The platform services, one interface each. The program reaches them through the one
/// process-wide `platform()` object, as the code it stands for reaches the system's API:
/// start-up installs the Linux host services, a test replaces single services with fakes for
/// its own duration (`ScopedService`). Kernel objects (events, waits, threads, critical
/// sections) and device I/O are the same in-process code for host and test and are plain
/// functions beside these services.
struct Services {
    SystemInfo* systemInfo = nullptr;
    Clock* clock = nullptr;
    NamedMutexes* mutexes = nullptr;
    WindowMessages* windowMessages = nullptr;
    Registry* registry = nullptr;
    ServiceManager* serviceManager = nullptr;
    Processes* processes = nullptr;
    Files* files = nullptr;
    VersionResources* versionResources = nullptr;
    Icons* icons = nullptr;
    Network* network = nullptr;
    Sound* sound = nullptr;
    Shell* shell = nullptr;
};

/// The installed services. Reaching a service that nobody installed is a programming error
/// and fails loudly rather than crashing later.
Services& platform();

/// Installs the Linux host services for the whole run (start-up calls this once; tests call it
/// in their main so that every service not replaced by a fake is the real host's).
void installHostPlatform();

/// Replaces one service for the lifetime of the guard and puts the previous one back after.
///     FakeRegistry registry;
///     ScopedService guard(&Services::registry, &registry);
template <typename T>
class ScopedService {
public:
    ScopedService(T* Services::*member, T* replacement)
        : member_(member), previous_(platform().*member) {
        platform().*member_ = replacement;
    }
    ~ScopedService() { platform().*member_ = previous_; }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

private:
    T* Services::*member_;
    T* previous_;
};

} // namespace vrx::os
