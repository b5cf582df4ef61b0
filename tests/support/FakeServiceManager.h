#pragma once

#include "Platform/os/ServiceManager.h"

#include <map>
#include <vector>

namespace vrx::os {

/// A service control manager in memory. It records every call with its arguments in order, so
/// a test can assert the exact conversation, and it behaves as the platform's does: creating
/// an existing service fails with 1073, opening a missing one with 1060, starting a running
/// one with 1056, stopping one that does not run with 1062. Outcomes can be set beforehand.
class FakeServiceManager final : public ServiceManager {
public:
    enum class Call {
        OpenManager,
        CreateService,
        OpenService,
        ChangeServiceConfig,
        StartService,
        ControlService,
        DeleteService,
        CloseServiceHandle
    };

    /// One call as it was made. Only the fields the call takes are set.
    struct Record {
        Call call = Call::OpenManager;
        Handle handle = kInvalidHandle;      // the handle the call was made on
        std::optional<std::string> machine;  // OpenManager
        std::string name;                    // CreateService, OpenService
        std::uint32_t access = 0;            // OpenManager, CreateService, OpenService
        std::optional<ServiceConfig> config; // CreateService, ChangeServiceConfig
        std::uint32_t control = 0;           // ControlService
        Handle result = kInvalidHandle;      // the handle returned, if any
        bool succeeded = false;
    };

    struct Service {
        ServiceConfig config;
        bool running = false;
        bool deleted = false;
    };

    /// Settable outcomes.
    std::uint32_t openManagerError = 0; // e.g. 5: the manager refuses to open
    std::uint32_t startError = 0;       // a start that fails with this code (the state stays)
    void addService(const std::string& name, const ServiceConfig& config, bool running);

    const std::vector<Record>& calls() const { return calls_; }
    std::vector<Call> callKinds() const;
    /// The state of a service, null when none of that name was ever created or added.
    const Service* service(const std::string& name) const;
    /// Handles handed out and not closed yet.
    std::size_t openHandles() const { return handles_.size(); }

    Handle openManager(const std::optional<std::string>& machine, std::uint32_t access) override;
    Handle createService(Handle manager, const std::string& name, std::uint32_t access,
                         const ServiceConfig& config) override;
    Handle openService(Handle manager, const std::string& name, std::uint32_t access) override;
    bool changeServiceConfig(Handle service, const ServiceConfig& config) override;
    bool startService(Handle service) override;
    bool controlService(Handle service, std::uint32_t control) override;
    bool deleteService(Handle service) override;
    bool closeServiceHandle(Handle handle) override;

private:
    Record& record(Call call, Handle handle);
    Service* serviceOf(Handle handle);
    Handle newHandle(const std::string& serviceName);
    bool fail(Record& call, std::uint32_t code);

    std::vector<Record> calls_;
    std::map<std::string, Service> services_; // by name as created (the platform ignores case)
    std::map<Handle, std::string> handles_;   // handle → service name; empty for the manager
    Handle next_ = 0x5C000001u;
};

} // namespace vrx::os
