#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

/// Registers the firewall driver with the service control manager and starts it, before the
/// driver's device is opened on the NT family's version 4. The owner configures the public
/// settings, then calls Install, as often as it needs to.
///
/// Install chooses the driver file: the given path, else "<service name>.sys" in the program's
/// folder; when no file exists at the chosen path, the text
/// "%SystemRoot%\system32\Drivers\<service name>.sys" is registered instead (unexpanded and
/// unchecked: the service manager resolves it). A device path without a leading "\\" gets the
/// prefix "\\.\".
class ServiceControl {
public:
    ServiceControl();
    /// Closes the device if this object opened it; with StopOnDestroy, stops the service (and
    /// with DeleteAfterStop deletes it after a successful stop). Errors are swallowed.
    ~ServiceControl();
    ServiceControl(const ServiceControl&) = delete;
    ServiceControl& operator=(const ServiceControl&) = delete;

    /// Creates the service (or, with UpdateExisting, rewrites an existing one), starts it, and
    /// with OpenDevice opens the device. 0, or the error of opening the service manager;
    /// failures of the later steps are not reported (the caller finds out by opening the
    /// device).
    [[nodiscard]] std::uint32_t Install(const std::string& serviceName,
                                        std::uint32_t deviceOpenFlags,
                                        const std::string& driverPath,
                                        const std::string& devicePath);

    // Settings, set by the owner before Install.
    bool DeleteAfterStop = false;
    bool StopOnDestroy = false; // cleared when Install finds the service already running
    bool UpdateExisting = false;
    std::uint32_t Tag = 0; // load-order tag; 0 passes none
    std::uint32_t StartType = 0;
    std::vector<std::string> Dependencies;
    bool OpenDevice = false;

    vrx::os::Handle DeviceHandle() const { return FDeviceHandle; }
    std::uint32_t Error() const { return FError; }
    const std::string& ServiceName() const { return FServiceName; }
    const std::string& DriverPath() const { return FDriverPath; }
    const std::string& DevicePath() const { return FDevicePath; }

private:
    void CreateOrUpdateService();
    void StartDriverService();
    void CloseDevice();

    vrx::os::Handle FDeviceHandle = vrx::os::kInvalidHandle;
    vrx::os::Handle FManagerHandle = vrx::os::kInvalidHandle;
    std::string FServiceName;
    std::string FDriverPath;
    std::string FDevicePath;
    std::uint32_t FError = 0;
    std::uint32_t FDeviceOpenFlags = 0;
};
