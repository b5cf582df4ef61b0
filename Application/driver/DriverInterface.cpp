#include "Application/driver/DriverInterface.h"

#include "Platform/os/DeviceIo.h"
#include "Platform/os/Platform.h"
#include "Platform/os/Registry.h"
#include "Platform/os/SystemInfo.h"

#include <cstring>

namespace {

constexpr const char* TcpipKey = "SYSTEM\\CurrentControlSet\\Services\\Tcpip";
constexpr std::uint32_t DeviceOpenFlags = 0x40000080; // overlapped, normal attributes
constexpr std::uint32_t FileAttributeNormal = 0x80;

// A DWORD value of an open key, or the default when it is missing or of another type.
std::uint32_t readDword(vrx::os::Handle key, const char* name, std::uint32_t fallback) {
    vrx::os::RegistryValue value;
    if (vrx::os::platform().registry->queryValue(key, name, value) != 0 ||
        value.type != vrx::os::kRegDword || value.data.size() < 4)
        return fallback;
    std::uint32_t result = 0;
    std::memcpy(&result, value.data.data(), 4);
    return result;
}

} // namespace

TDriverInterface::TDriverInterface() {
    DetectPlatform();
    if (OpenDevice()) {
        FOpened = true;
        QueryVersion();
        OnLog = nullptr;
        FPollTimer = std::make_unique<vrx::forms::TTimer>();
        FPollTimer->SetInterval(PollInterval);
        FPollTimer->OnTimer = [this] { PollTick(); };
        FPollTimer->SetEnabled(true);
    }
}

TDriverInterface::~TDriverInterface() {
    if (FPollTimer) {
        FPollTimer->SetEnabled(false);
        FPollTimer.reset();
    }
    CloseDevice();
}

void TDriverInterface::DetectPlatform() {
    FIsWin9x = false;
    FIsOtherNT = false;
    vrx::os::OsVersionRecord version;
    version.dwOSVersionInfoSize = sizeof version;
    if (!vrx::os::platform().systemInfo->getVersion(version))
        return;
    if (version.dwPlatformId == vrx::os::kPlatformWindows9x)
        FIsWin9x = true;
    else if (version.dwPlatformId == vrx::os::kPlatformNT)
        FIsOtherNT = version.dwMajorVersion != 5;
}

bool TDriverInterface::OpenDevice() {
    if (FDeviceHandle != vrx::os::kInvalidHandle)
        return true;
    if (FIsOtherNT)
        PrepareService();
    FDeviceHandle = vrx::os::createFile(FIsWin9x ? DriverDeviceName9x : DriverDeviceName,
                                        vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                                        vrx::os::kOpenExisting, FileAttributeNormal);
    return FDeviceHandle != vrx::os::kInvalidHandle;
}

void TDriverInterface::PrepareService() {
    std::uint32_t tag = 0;
    std::uint32_t start = 2;
    vrx::os::Registry& registry = *vrx::os::platform().registry;
    vrx::os::Handle key = vrx::os::kInvalidHandle;
    if (registry.openKey(vrx::os::kHkeyLocalMachine, TcpipKey, vrx::os::kKeyRead, key) == 0) {
        tag = readDword(key, "Tag", tag);
        start = readDword(key, "Start", start);
        (void)registry.closeKey(key);
    }
    FServiceControl.UpdateExisting = true;
    FServiceControl.StopOnDestroy = false;
    FServiceControl.DeleteAfterStop = false;
    FServiceControl.Tag = tag;
    FServiceControl.StartType = start;
    FServiceControl.Dependencies = {"Tcpip"};
    FServiceControl.OpenDevice = false;
    // Not examined: whether the service is there shows when the device is opened.
    (void)FServiceControl.Install("VRXFW", DeviceOpenFlags, "", DriverDeviceName);
}

void TDriverInterface::CloseDevice() {
    if (FDeviceHandle != vrx::os::kInvalidHandle)
        (void)vrx::os::closeHandle(FDeviceHandle);
    FDeviceHandle = vrx::os::kInvalidHandle;
}

void TDriverInterface::QueryVersion() {
    FDriverVersion = 0xFFFFFFFF;
    if (!OpenDevice())
        return;
    std::uint32_t returned = 0;
    (void)vrx::os::deviceIoControl(FDeviceHandle, DriverCode::GetVersion, &FDriverVersion, 4,
                                   &FDriverVersion, 4, &returned);
}

std::uint32_t TDriverInterface::SendFilters(TFilterRecord* records, std::int32_t count) {
    if (!OpenDevice())
        return vrx::os::lastError();
    // A negative count is as unsendable as a too long one: nothing goes to the driver.
    if (count < 0 || static_cast<std::uint32_t>(count) > MaxFilterRecords)
        return FilterTableTooLong;
    SetFilterEnabled(false);
    const std::uint32_t length = static_cast<std::uint32_t>(count) * FilterRecordSize;
    std::uint32_t returned = 0;
    (void)vrx::os::deviceIoControl(FDeviceHandle, DriverCode::LoadFilters, records, length, records,
                                   length, &returned);
    SetFilterEnabled(true);
    return 0;
}

void TDriverInterface::SetFilterEnabled(bool on) {
    if (!OpenDevice())
        return;
    std::uint32_t returned = 0;
    (void)vrx::os::deviceIoControl(
        FDeviceHandle, on ? DriverCode::ResumeFiltering : DriverCode::SuspendFiltering, nullptr,
        SwitchBufferLength, nullptr, SwitchBufferLength, &returned);
}

void TDriverInterface::SetDriverActive(bool on) {
    if (!OpenDevice())
        return;
    if (on)
        SetFilterEnabled(false);
    std::uint32_t returned = 0;
    const bool done = vrx::os::deviceIoControl(
        FDeviceHandle, on ? DriverCode::Activate : DriverCode::Deactivate, nullptr,
        SwitchBufferLength, nullptr, SwitchBufferLength, &returned);
    if (done && FPollTimer)
        FPollTimer->SetEnabled(on);
}

std::uint32_t TDriverInterface::ReadLog() {
    if (!OpenDevice())
        return vrx::os::lastError();
    std::uint32_t returned = 0;
    const bool done =
        vrx::os::deviceIoControl(FDeviceHandle, DriverCode::ReadLog, nullptr, 0, FLogRecords.data(),
                                 static_cast<std::uint32_t>(FLogRecords.size()), &returned);
    FLogCount =
        done ? std::min(returned, static_cast<std::uint32_t>(FLogRecords.size())) / LogRecordSize
             : 0;
    return 0;
}

std::uint32_t TDriverInterface::ReadStatistics() {
    if (!OpenDevice())
        return vrx::os::lastError();
    std::uint32_t returned = 0;
    (void)vrx::os::deviceIoControl(FDeviceHandle, DriverCode::ReadStatistics, nullptr, 0,
                                   FCounters.data(), StatisticsSize, &returned);
    return 0;
}

std::uint32_t TDriverInterface::ReadTDIState() {
    if (!OpenDevice())
        return vrx::os::lastError();
    FTDIStates.fill(0);
    std::uint32_t returned = 0;
    const bool done = vrx::os::deviceIoControl(
        FDeviceHandle, DriverCode::ReadTDIStates, nullptr, 0, FTDIStates.data(),
        static_cast<std::uint32_t>(FTDIStates.size()), &returned);
    FTDIStateCount = done ? std::min(returned, static_cast<std::uint32_t>(FTDIStates.size())) /
                                TDIStateRecordSize
                          : 0;
    return 0;
}

void TDriverInterface::UpdateRates() {
    (void)ReadStatistics();
    // The first reading only sets the base: the driver's counters may have run long before.
    if (FHavePreviousCounters) {
        const std::uint32_t interval = FPollTimer ? FPollTimer->Interval() : PollInterval;
        // Unsigned 32-bit arithmetic: a counter that wrapped still gives its small increase.
        const std::uint32_t in =
            (FCounters[0] - FPreviousCounters[0]) + (FCounters[2] - FPreviousCounters[2]);
        const std::uint32_t out =
            (FCounters[1] - FPreviousCounters[1]) + (FCounters[3] - FPreviousCounters[3]);
        FRate1 = in * 1000u / interval;
        FRate2 = out * 1000u / interval;
    }
    FPreviousCounters = FCounters;
    FHavePreviousCounters = true;
}

void TDriverInterface::PollTick() {
    UpdateRates();
    if (!OnLog)
        return;
    if (ReadLog() != 0) {
        // The device is gone and cannot be opened again: the poll stops for good.
        if (FPollTimer)
            FPollTimer->SetEnabled(false);
        return;
    }
    OnLog(FLogRecords.data(), static_cast<std::int32_t>(FLogCount));
}
