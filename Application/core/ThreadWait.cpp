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
        // Reset before fetching: a signal the driver raises while this pass fetches and
        // handles its request stays set, so the next pass starts at once instead of after the
        // full interval, and a burst is served at full speed, one request per pass.
        vrx::os::resetEvent(FEvent);
        if (!Terminated() && FetchRequest() > 0 && FBuffer.Discard == 0)
            ProcessRequest();
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
