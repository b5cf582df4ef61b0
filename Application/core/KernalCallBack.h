#pragma once

#include "Application/core/ThreadWait.h"
#include "Application/driver/DriverProtocol.h"
#include "Platform/os/Handles.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>

/// The program's end of the driver's request channel. Its worker fetches every request the
/// driver holds; OnDecide answers it on the worker thread (false: the rules decided, the
/// request goes back at once), otherwise it is queued on the main thread and OnPrompt shows it
/// to the user, whose answer completes the oldest queued request. Every fetched request that
/// wants an answer is answered exactly once: switching off answers the queued ones as they
/// stand (refused, unless the decision said otherwise).
class TKernalCallBack {
public:
    /// The access decision and the prompt: (request) → true when the user must decide /
    /// when the prompt has taken charge of the queued request.
    using TRequestHandler = std::function<bool(TAccessRequest& request)>;

    TKernalCallBack();
    ~TKernalCallBack();
    TKernalCallBack(const TKernalCallBack&) = delete;
    TKernalCallBack& operator=(const TKernalCallBack&) = delete;

    /// The driver's device handle (not owned); also the worker's.
    void SetDevice(vrx::os::Handle device);
    /// Switching on registers the events and this process with the driver (the first time)
    /// and starts the worker; without a device the channel stays off. Switching off answers
    /// every queued request and stops the worker, which is not started again.
    void SetEnabled(bool on);
    bool Enabled() const { return FEnabled; }

    TRequestHandler OnDecide;
    TRequestHandler OnPrompt;

    /// Queues a copy of the request.
    void PushRequest(const TAccessRequest& request);
    /// Removes the oldest queued request; none when the queue is empty.
    std::unique_ptr<TAccessRequest> PopRequest();
    /// The oldest queued request, left in the queue (the prompt sets its Status); null when the
    /// queue is empty. Valid until it is completed or flushed.
    TAccessRequest* PeekRequest();
    /// Sends the answer for this record: the driver reads it, as it stands, while the call runs.
    void AnswerRequest(TAccessRequest& request);
    /// Answers and drops the oldest queued request; nothing when the queue is empty.
    void CompleteHeadRequest();
    /// Answers and drops every queued request, marked as answered by the channel itself.
    void FlushRequests();

    vrx::os::Handle RequestEvent() const { return FRequestEvent; }
    vrx::os::Handle SecondEvent() const { return FSecondEvent; }

private:
    int HandleInWorker(TAccessRequest& request);
    int HandleInMain(TAccessRequest& request);
    void RegisterEvents();
    void RegisterProcess();
    void Send(std::uint32_t code, const void* input, std::uint32_t length);

    std::unique_ptr<TThreadWait> FWorker;
    std::atomic<bool> FEnabled = false;
    std::uint32_t FPlatformId = 0;
    vrx::os::Handle FDevice = vrx::os::kInvalidHandle;
    vrx::os::Handle FRequestEvent = vrx::os::kInvalidHandle;
    vrx::os::Handle FSecondEvent = vrx::os::kInvalidHandle;
    std::deque<std::unique_ptr<TAccessRequest>> FQueue;
};
