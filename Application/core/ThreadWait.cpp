#include "Application/core/ThreadWait.h"

#include "Platform/os/DeviceIo.h"
#include "Platform/os/Kernel.h"

TThreadWait::TThreadWait() : TThread(vrx::forms::TThreadStart::Suspended) {}

TThreadWait::~TThreadWait() {
    // Execute uses this object's members: stop it before they go.
    Terminate();
    WaitFor();
}

void TThreadWait::Execute() {
    while (!Terminated()) {
        // Signalled or timed out: either way the driver is asked, so a missed signal costs at
        // most one interval.
        vrx::os::waitForSingleObject(FEvent, WaitInterval);
        if (!Terminated() && FetchRequest() > 0 && FBuffer.Discard == 0)
            ProcessRequest();
        vrx::os::resetEvent(FEvent);
    }
}

std::uint32_t TThreadWait::FetchRequest() {
    std::uint32_t returned = 0;
    if (!vrx::os::deviceIoControl(FDevice, DriverCode::FetchRequest, nullptr, 0, &FBuffer,
                                  sizeof FBuffer, &returned))
        return 0;
    return returned;
}

void TThreadWait::ProcessRequest() {
    const int r = OnRequest ? OnRequest(FBuffer) : 1;
    if (r == 1 && OnRequestSync)
        Synchronize([this] { OnRequestSync(FBuffer); });
}
