#include "Application/core/KernalCallBack.h"

#include "Application/core/ProgramLocks.h"
#include "Platform/os/DeviceIo.h"
#include "Platform/os/Kernel.h"
#include "Platform/os/MemoryReferences.h"
#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"

#include <cstring>
#include <mutex>

namespace {

/// Holds RequestQueueLock for a short look at the queue.
std::unique_lock<vrx::os::CriticalSection> lockQueue() {
    return RequestQueueLock ? std::unique_lock(*RequestQueueLock)
                            : std::unique_lock<vrx::os::CriticalSection>();
}

} // namespace

TKernalCallBack::TKernalCallBack() {
    vrx::os::OsVersionRecord version;
    version.dwOSVersionInfoSize = sizeof version;
    if (vrx::os::platform().systemInfo->getVersion(version))
        FPlatformId = version.dwPlatformId;
    FWorker = std::make_unique<TThreadWait>();
    FWorker->OnRequest = [this](TAccessRequest& request) { return HandleInWorker(request); };
    FWorker->OnRequestSync = [this](TAccessRequest& request) { return HandleInMain(request); };
}

TKernalCallBack::~TKernalCallBack() {
    // A channel still on is switched off first, so no fetched request goes unanswered; the
    // worker's destruction then serves a request it is still handing over, as answered by the
    // switched-off channel.
    if (FEnabled)
        SetEnabled(false);
    FWorker.reset();
    FlushRequests();
    if (FRequestEvent != vrx::os::kInvalidHandle)
        vrx::os::closeHandle(FRequestEvent);
    if (FSecondEvent != vrx::os::kInvalidHandle)
        vrx::os::closeHandle(FSecondEvent);
}

void TKernalCallBack::SetDevice(vrx::os::Handle device) {
    FDevice = device;
    FWorker->SetDevice(device);
}

void TKernalCallBack::SetEnabled(bool on) {
    if (on == FEnabled)
        return;
    const bool enabled = on && FDevice != vrx::os::kInvalidHandle;
    if (enabled) {
        if (FRequestEvent == vrx::os::kInvalidHandle) {
            FRequestEvent = vrx::os::createEvent(vrx::os::EventReset::Manual, false);
            FSecondEvent = vrx::os::createEvent(vrx::os::EventReset::Manual, false);
            FWorker->SetEvent(FRequestEvent);
            RegisterEvents();
            RegisterProcess();
        }
        FEnabled = true;
        FWorker->Resume();
        FlushRequests();
    } else if (!on) {
        FEnabled = false;
        FlushRequests();
        FWorker->Terminate();
        vrx::os::setEvent(FRequestEvent);
    }
}

void TKernalCallBack::RegisterEvents() {
    if (FPlatformId == vrx::os::kPlatformNT) {
        const std::uint32_t event = FRequestEvent;
        Send(DriverCode::RegisterEvent, &event, sizeof event);
    } else if (FPlatformId == vrx::os::kPlatformWindows9x) {
        vrx::os::SystemInfo& system = *vrx::os::platform().systemInfo;
        const vrx::os::Handle kernel =
            system.loadLibrary(system.systemDirectory() + "\\kernel32.dll");
        if (kernel == vrx::os::kInvalidHandle)
            return;
        if (system.hasEntryPoint(kernel, "OpenVxDHandle")) {
            const std::uint32_t requestEvent = vrx::os::openVxDHandle(FRequestEvent);
            const std::uint32_t secondEvent = vrx::os::openVxDHandle(FSecondEvent);
            std::uint32_t returned = 0;
            if (vrx::os::deviceIoControl(FDevice, DriverCode::RegisterEvent, &requestEvent,
                                         sizeof requestEvent, nullptr, 0, &returned))
                Send(DriverCode::RegisterSecondEvent, &secondEvent, sizeof secondEvent);
        }
        system.freeLibrary(kernel);
    }
}

void TKernalCallBack::RegisterProcess() {
    const std::uint32_t processId = vrx::os::platform().systemInfo->currentProcessId();
    Send(DriverCode::RegisterProcess, &processId, sizeof processId);
}

void TKernalCallBack::Send(std::uint32_t code, const void* input, std::uint32_t length) {
    std::uint32_t returned = 0;
    // The driver's answer to a registration or an answer is not examined: a request whose
    // answer did not arrive is the driver's to handle.
    (void)vrx::os::deviceIoControl(FDevice, code, input, length, nullptr, 0, &returned);
}

int TKernalCallBack::HandleInWorker(TAccessRequest& request) {
    const bool askUser = OnDecide ? OnDecide(request) : true;
    if (!askUser) {
        request.AnsweredDirectly = 1;
        AnswerRequest(request);
    }
    return askUser ? 1 : 0;
}

int TKernalCallBack::HandleInMain(TAccessRequest& request) {
    if (!FEnabled) {
        // Handed over while the channel was switched off: the queue has been flushed, so the
        // request is answered here as it stands rather than left waiting.
        request.AnsweredDirectly = 1;
        AnswerRequest(request);
        return 0;
    }
    request.AnsweredDirectly = 0;
    PushRequest(request);
    const bool taken = OnPrompt ? OnPrompt(request) : true;
    if (!taken) {
        // Nobody shows it: answer this request, not an older one the user may be looking at.
        std::unique_ptr<TAccessRequest> entry;
        {
            auto lock = lockQueue();
            entry = std::move(FQueue.back());
            FQueue.pop_back();
        }
        AnswerRequest(*entry);
    }
    return 0;
}

void TKernalCallBack::PushRequest(const TAccessRequest& request) {
    auto entry = std::make_unique<TAccessRequest>(request);
    auto lock = lockQueue();
    FQueue.push_back(std::move(entry));
}

std::unique_ptr<TAccessRequest> TKernalCallBack::PopRequest() {
    auto lock = lockQueue();
    if (FQueue.empty())
        return nullptr;
    std::unique_ptr<TAccessRequest> entry = std::move(FQueue.front());
    FQueue.pop_front();
    return entry;
}

TAccessRequest* TKernalCallBack::PeekRequest() {
    auto lock = lockQueue();
    return FQueue.empty() ? nullptr : FQueue.front().get();
}

void TKernalCallBack::AnswerRequest(TAccessRequest& request) {
    // The driver reads the record through a 32-bit reference while the call runs.
    vrx::os::PublishedMemory published(&request, sizeof request);
    std::uint8_t input[AnswerInputSize] = {};
    const vrx::os::MemoryReference reference = published.reference();
    std::memcpy(input, &reference, sizeof reference);
    Send(DriverCode::AnswerRequest, input, sizeof input);
}

void TKernalCallBack::CompleteHeadRequest() {
    if (std::unique_ptr<TAccessRequest> entry = PopRequest())
        AnswerRequest(*entry);
}

void TKernalCallBack::FlushRequests() {
    while (std::unique_ptr<TAccessRequest> entry = PopRequest()) {
        entry->AnsweredDirectly = 1;
        AnswerRequest(*entry);
    }
}
