#include "Platform/os/ServiceManager.h"

namespace vrx::os {

namespace {

// This host has no service control manager: the driver's stand-in needs no installation. Every
// call fails the way the platform's own does where the manager is missing.
class HostServiceManager final : public ServiceManager {
public:
    Handle openManager(const std::optional<std::string>&, std::uint32_t) override {
        setLastError(error::kCallNotImplemented);
        return kInvalidHandle;
    }
    Handle createService(Handle, const std::string&, std::uint32_t, const ServiceConfig&) override {
        return invalidHandle();
    }
    Handle openService(Handle, const std::string&, std::uint32_t) override {
        return invalidHandle();
    }
    bool changeServiceConfig(Handle, const ServiceConfig&) override { return failed(); }
    bool startService(Handle) override { return failed(); }
    bool controlService(Handle, std::uint32_t) override { return failed(); }
    bool deleteService(Handle) override { return failed(); }
    bool closeServiceHandle(Handle) override { return failed(); }

private:
    // No manager handle was ever handed out, so every handle given to us is invalid.
    static Handle invalidHandle() {
        setLastError(error::kInvalidHandle);
        return kInvalidHandle;
    }
    static bool failed() {
        setLastError(error::kInvalidHandle);
        return false;
    }
};

} // namespace

ServiceManager& hostServiceManager() {
    static HostServiceManager manager;
    return manager;
}

} // namespace vrx::os
