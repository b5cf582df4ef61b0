#pragma once

#include "Application/driver/DriverProtocol.h"
#include "Platform/forms/Thread.h"
#include "Platform/os/Handles.h"

#include <atomic>
#include <functional>

/// The request channel's worker: waits for the driver's signal (at most 100 ms), fetches one
/// waiting request and hands it to OnRequest on this thread; when that answers 1 the request
/// goes on to OnRequestSync, run on the main thread while this thread waits.
class TThreadWait : public vrx::forms::TThread {
public:
    using TRequestEvent = std::function<int(TAccessRequest& request)>;

    static constexpr std::uint32_t WaitInterval = 100;

    TThreadWait();
    ~TThreadWait() override;

    void SetDevice(vrx::os::Handle device) { FDevice = device; }
    void SetEvent(vrx::os::Handle event) { FEvent = event; }

    TRequestEvent OnRequest;
    TRequestEvent OnRequestSync;

protected:
    void Execute() override;

private:
    /// The number of bytes the driver returned for one fetch (0 when the fetch failed).
    std::uint32_t FetchRequest();
    void ProcessRequest();

    TAccessRequest FBuffer{};
    std::atomic<vrx::os::Handle> FDevice = vrx::os::kInvalidHandle;
    std::atomic<vrx::os::Handle> FEvent = vrx::os::kInvalidHandle;
};
