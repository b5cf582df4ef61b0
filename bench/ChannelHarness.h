#pragma once

#include "Application/core/KernalCallBack.h"
#include "Application/core/ProgramLocks.h"
#include "Platform/os/CriticalSection.h"
#include "Platform/os/DeviceIo.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vrx::bench {

/// What the driver holds and asks about: one socket operation of one process.
struct RequestFields {
    vrx::vrxfw::Operation operation = vrx::vrxfw::Operation::TcpConnect;
    std::uint32_t processId = 1234;
    std::uint32_t remoteAddress = 0x0100007F; // 127.0.0.1, network byte order
    std::uint16_t port = 80;
};

/// The request channel as the program runs it, for benchmarks: the host platform, the stand-in
/// driver registered under its device path without a transcript (as the program's default
/// device), the two program locks, and a TKernalCallBack on the opened device, switched on
/// with the given decision handler. Requests are submitted to the driver, which signals the
/// channel's event; the channel's worker fetches, decides and answers them.
///
///     ChannelHarness harness([](TAccessRequest& r) { r.Status = 0; return false; });
///     auto held = harness.submitBurst(1000);
///     harness.waitForAll(held);
///
/// A decision that returns true sends the request on to the main thread; without an
/// application object the hand-over runs on the worker itself, so such a benchmark measures
/// the queue, not the event loop. One harness at a time: the device path and the program locks
/// are process-wide. The constructor installs the host platform; a benchmark that needs a fake
/// service (the processes behind the requests' ids, say) puts it in place after constructing
/// the harness, with a ScopedService that it destroys first.
class ChannelHarness {
public:
    using Held = std::shared_ptr<vrx::vrxfw::HeldRequest>;

    explicit ChannelHarness(TKernalCallBack::TRequestHandler decide,
                            TKernalCallBack::TRequestHandler prompt = {}) {
        vrx::os::installHostPlatform();
        RequestQueueLock = &queueLock_;
        AppRulesLock = &rulesLock_;
        vrx::vrxfw::registerStandIn(std::make_shared<vrx::vrxfw::Device>(driver_));
        device_ = vrx::os::createFile(vrx::vrxfw::kDevicePath,
                                      vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                                      vrx::os::kOpenExisting, 0x40000080);
        if (device_ == vrx::os::kInvalidHandle)
            throw std::runtime_error("the stand-in driver's device did not open");
        channel_ = std::make_unique<TKernalCallBack>();
        channel_->SetDevice(device_);
        channel_->OnDecide = std::move(decide);
        channel_->OnPrompt = std::move(prompt);
        channel_->SetEnabled(true);
    }

    ~ChannelHarness() {
        channel_.reset();
        vrx::os::closeHandle(device_);
        vrx::vrxfw::unregisterStandIn();
        RequestQueueLock = nullptr;
        AppRulesLock = nullptr;
    }

    ChannelHarness(const ChannelHarness&) = delete;
    ChannelHarness& operator=(const ChannelHarness&) = delete;

    TKernalCallBack& channel() { return *channel_; }
    vrx::vrxfw::Driver& driver() { return *driver_; }

    /// Holds one request in the driver, which signals the channel.
    Held submit(const RequestFields& fields = {}) {
        return driver_->submitRequest(fields.operation, fields.processId, fields.remoteAddress,
                                      fields.port);
    }

    /// Submits count requests back to back; request i is made by make(i) (default: the same
    /// TCP connect every time).
    std::vector<Held> submitBurst(int count, const std::function<RequestFields(int)>& make = {}) {
        std::vector<Held> held;
        held.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            held.push_back(submit(make ? make(i) : RequestFields{}));
        return held;
    }

    /// Waits until every request has its answer; false when one is still unanswered after
    /// the limit (counted for each request from the moment its wait begins).
    static bool waitForAll(const std::vector<Held>& held,
                           std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        for (const Held& request : held)
            if (!request->waitForVerdict(limit))
                return false;
        return true;
    }

private:
    vrx::os::CriticalSection queueLock_;
    vrx::os::CriticalSection rulesLock_;
    std::shared_ptr<vrx::vrxfw::Driver> driver_ = std::make_shared<vrx::vrxfw::Driver>();
    vrx::os::Handle device_ = vrx::os::kInvalidHandle;
    std::unique_ptr<TKernalCallBack> channel_;
};

} // namespace vrx::bench
