#include "Application/ServiceControl/ServiceControl.h"

#include "Platform/os/DeviceIo.h"
#include "Platform/os/Platform.h"
#include "Platform/os/ServiceManager.h"
#include "Platform/os/SystemInfo.h"

#include <filesystem>
#include <system_error>

namespace {

vrx::os::ServiceManager& manager() {
    return *vrx::os::platform().serviceManager;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

ServiceControl::ServiceControl() = default;

ServiceControl::~ServiceControl() {
    if (OpenDevice)
        CloseDevice();
    if (!StopOnDestroy)
        return;
    if (FManagerHandle == vrx::os::kInvalidHandle)
        FManagerHandle = manager().openManager(std::nullopt, vrx::os::kScManagerAllAccess);
    if (FManagerHandle == vrx::os::kInvalidHandle)
        return;
    const vrx::os::Handle service =
        manager().openService(FManagerHandle, FServiceName, vrx::os::kServiceAllAccess);
    if (service != vrx::os::kInvalidHandle) {
        if (OpenDevice)
            CloseDevice();
        const bool stopped = manager().controlService(service, vrx::os::kServiceControlStop);
        (void)manager().closeServiceHandle(service);
        if (stopped && DeleteAfterStop) {
            const vrx::os::Handle again =
                manager().openService(FManagerHandle, FServiceName, vrx::os::kServiceAllAccess);
            if (again != vrx::os::kInvalidHandle) {
                (void)manager().deleteService(again);
                (void)manager().closeServiceHandle(again);
            }
        }
    }
    (void)manager().closeServiceHandle(FManagerHandle);
    FManagerHandle = vrx::os::kInvalidHandle;
}

std::uint32_t ServiceControl::Install(const std::string& serviceName, std::uint32_t deviceOpenFlags,
                                      const std::string& driverPath,
                                      const std::string& devicePath) {
    // Each run reports its own outcome: an error left by an earlier run would otherwise make
    // every later, successful run look failed and close the device it opened.
    FError = 0;
    FDeviceOpenFlags = deviceOpenFlags;
    FServiceName = serviceName;

    FDriverPath = driverPath.empty()
                      ? vrx::os::platform().systemInfo->programFolder() + serviceName + ".sys"
                      : driverPath;
    if (!fileExists(FDriverPath))
        FDriverPath = "%SystemRoot%\\system32\\Drivers\\" + serviceName + ".sys";

    FDevicePath = devicePath.empty() ? serviceName : devicePath;
    if (FDevicePath.rfind("\\\\", 0) != 0)
        FDevicePath = "\\\\.\\" + FDevicePath;

    FManagerHandle = manager().openManager(std::nullopt, vrx::os::kScManagerAllAccess);
    if (FManagerHandle == vrx::os::kInvalidHandle) {
        FError = vrx::os::lastError();
    } else {
        CreateOrUpdateService();
        StartDriverService();
        if (OpenDevice) {
            CloseDevice();
            FDeviceHandle =
                vrx::os::createFile(FDevicePath, vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                                    vrx::os::kOpenExisting, FDeviceOpenFlags);
        }
    }

    if (FManagerHandle != vrx::os::kInvalidHandle) {
        (void)manager().closeServiceHandle(FManagerHandle);
        FManagerHandle = vrx::os::kInvalidHandle;
    }
    if (FError != 0 && OpenDevice)
        CloseDevice();
    return FError;
}

void ServiceControl::CreateOrUpdateService() {
    vrx::os::ServiceConfig config;
    config.serviceType = vrx::os::kServiceKernelDriver;
    config.startType = StartType;
    config.errorControl = 0; // ignore
    config.binaryPath = FDriverPath;
    if (Tag != 0)
        config.tag = Tag;
    config.dependencies = Dependencies;
    config.displayName = FServiceName;

    vrx::os::Handle service =
        manager().createService(FManagerHandle, FServiceName, vrx::os::kServiceAllAccess, config);
    if (service == vrx::os::kInvalidHandle) {
        service = manager().openService(FManagerHandle, FServiceName, vrx::os::kServiceAllAccess);
        if (service == vrx::os::kInvalidHandle)
            return;
        if (UpdateExisting)
            (void)manager().changeServiceConfig(service, config);
    }
    (void)manager().closeServiceHandle(service);
}

void ServiceControl::StartDriverService() {
    const vrx::os::Handle service =
        manager().openService(FManagerHandle, FServiceName, vrx::os::kServiceAllAccess);
    if (service == vrx::os::kInvalidHandle)
        return;
    // A service that already runs was started by someone else: it counts as started, and it
    // is not ours to stop.
    if (!manager().startService(service) &&
        vrx::os::lastError() == vrx::os::error::kServiceAlreadyRunning)
        StopOnDestroy = false;
    (void)manager().closeServiceHandle(service);
}

void ServiceControl::CloseDevice() {
    if (FDeviceHandle != vrx::os::kInvalidHandle)
        (void)vrx::os::closeHandle(FDeviceHandle);
    FDeviceHandle = vrx::os::kInvalidHandle;
}
