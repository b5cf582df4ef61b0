#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrx::os {

inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
inline constexpr std::uint32_t kServiceKernelDriver = 1;
inline constexpr std::uint32_t kServiceControlStop = 1;
inline constexpr std::uint32_t kServiceNoChange = 0xFFFFFFFFu;

/// The configuration handed to create or change a service.
struct ServiceConfig {
    std::uint32_t serviceType = kServiceKernelDriver;
    std::uint32_t startType = 0;
    std::uint32_t errorControl = 0;
    std::string binaryPath;
    std::optional<std::string> loadOrderGroup; // empty: none
    std::optional<std::uint32_t> tag;          // empty: no tag passed
    std::vector<std::string> dependencies;
    std::optional<std::string> account;
    std::optional<std::string> password;
    std::string displayName;
};

/// The service control manager. Failing calls return kInvalidHandle or false and leave the
/// platform's last error (1056 already running, 1060 does not exist, 1073 exists, 5 denied).
/// The Linux host has none: opening the manager fails with 120 (not implemented).
class ServiceManager {
public:
    virtual ~ServiceManager() = default;

    virtual Handle openManager(const std::optional<std::string>& machine, std::uint32_t access) = 0;
    virtual Handle createService(Handle manager, const std::string& name, std::uint32_t access,
                                 const ServiceConfig& config) = 0;
    virtual Handle openService(Handle manager, const std::string& name, std::uint32_t access) = 0;
    virtual bool changeServiceConfig(Handle service, const ServiceConfig& config) = 0;
    virtual bool startService(Handle service) = 0;
    virtual bool controlService(Handle service, std::uint32_t control) = 0;
    virtual bool deleteService(Handle service) = 0;
    virtual bool closeServiceHandle(Handle handle) = 0;
};

/// The Linux host's implementation (its file: ServiceManagerLinux.cpp).
ServiceManager& hostServiceManager();

} // namespace vrx::os
