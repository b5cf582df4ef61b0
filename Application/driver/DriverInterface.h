#pragma once

#include "Application/ServiceControl/ServiceControl.h"
#include "Application/driver/DriverProtocol.h"
#include "Platform/forms/Timer.h"
#include "Platform/os/Handles.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

/// The program's one handle on the firewall driver.
///
/// Construction finds the platform family, opens the device (on NT other than 5.x after making
/// sure the driver service is installed and running), reads the driver's version and starts a
/// 500 ms poll: each tick reads the statistics into two per-second rates and, when OnLog is
/// set, reads the log records and hands them to it. Every operation first (re)opens the device
/// and sends nothing when that fails. It lives on the main thread; the request channel borrows
/// DeviceHandle for its own codes.
class TDriverInterface {
public:
    /// The handler of new log records: the first record and their number (also 0).
    using TLogEvent = std::function<void(const std::uint8_t* records, std::int32_t count)>;

    static constexpr std::uint32_t PollInterval = 500;

    TDriverInterface();
    ~TDriverInterface();
    TDriverInterface(const TDriverInterface&) = delete;
    TDriverInterface& operator=(const TDriverInterface&) = delete;

    bool OpenDevice();
    void CloseDevice();
    void QueryVersion();

    /// Loads a filter table of count records, bracketed by suspend and resume. 0 once the
    /// device is open and the count accepted; FilterTableTooLong (nothing sent) for a count
    /// outside 0..1000; the platform's error when the device cannot be opened.
    [[nodiscard]] std::uint32_t SendFilters(TFilterRecord* records, std::int32_t count);
    void SetFilterEnabled(bool on);
    /// Switching on first suspends filtering; only a call that succeeds switches the poll on
    /// (activate) or off (deactivate).
    void SetDriverActive(bool on);

    /// 0 whenever the device is open (the count reflects what the driver returned); the
    /// platform's error when it cannot be opened.
    [[nodiscard]] std::uint32_t ReadLog();
    [[nodiscard]] std::uint32_t ReadStatistics();
    /// Leaves the previous table and count in place when the device cannot be opened.
    [[nodiscard]] std::uint32_t ReadTDIState();

    bool Opened() const { return FOpened; }
    std::uint32_t DriverVersion() const { return FDriverVersion; }
    vrx::os::Handle DeviceHandle() const { return FDeviceHandle; }
    std::uint32_t Rate1() const { return FRate1; }
    std::uint32_t Rate2() const { return FRate2; }
    const std::uint8_t* TDIStates() const { return FTDIStates.data(); }
    std::uint32_t TDIStateCount() const { return FTDIStateCount; }
    const std::uint8_t* LogRecords() const { return FLogRecords.data(); }
    std::uint32_t LogCount() const { return FLogCount; }
    bool IsWin9x() const { return FIsWin9x; }
    bool IsOtherNT() const { return FIsOtherNT; }

    /// The poll timer; none when the device could not be opened at construction.
    vrx::forms::TTimer* PollTimer() const { return FPollTimer.get(); }

    TLogEvent OnLog;

private:
    void DetectPlatform();
    void PrepareService();
    void PollTick();
    void UpdateRates();

    std::unique_ptr<vrx::forms::TTimer> FPollTimer;
    ServiceControl FServiceControl;
    bool FIsWin9x = false;
    bool FIsOtherNT = false;
    std::array<std::uint8_t, MaxLogRecords * LogRecordSize> FLogRecords{};
    std::uint32_t FLogCount = 0;
    std::array<std::uint32_t, 4> FCounters{};
    std::array<std::uint32_t, 4> FPreviousCounters{};
    bool FHavePreviousCounters = false;
    vrx::os::Handle FDeviceHandle = vrx::os::kInvalidHandle;
    std::uint32_t FDriverVersion = 0;
    bool FOpened = false;
    std::uint32_t FRate1 = 0;
    std::uint32_t FRate2 = 0;
    std::array<std::uint8_t, MaxTDIStates * TDIStateRecordSize> FTDIStates{};
    std::uint32_t FTDIStateCount = 0;
};
