#include "Platform/vrxfw/Device.h"

#include "Platform/os/MemoryReferences.h"

#include <cstring>

namespace vrx::vrxfw {

namespace {

class Connection final : public os::DeviceConnection {
public:
    Connection(std::shared_ptr<Driver> driver, std::shared_ptr<Transcript> transcript)
        : driver_(std::move(driver)), transcript_(std::move(transcript)) {}

    bool control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                 std::uint32_t outLength, std::uint32_t& bytesReturned) override {
        if (!transcript_)
            return driver_->control(code, in, inLength, out, outLength, bytesReturned);

        Transcript::Call call;
        call.code = code;
        call.inPresent = in != nullptr;
        call.inLength = inLength;
        // Copied before the call: input and output are often the same buffer.
        if (in && inLength > 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(in);
            call.in.assign(bytes, bytes + inLength);
        }
        if (code == code::kAnswerRequest && in && inLength >= 4) {
            os::MemoryReference reference = os::kNoMemoryReference;
            std::memcpy(&reference, in, 4);
            std::vector<std::uint8_t> record(sizeof(AccessRequest));
            if (os::readMemory(reference, 0, record.data(), record.size()))
                call.answeredRecord = std::move(record);
        }
        call.outPresent = out != nullptr;
        call.outLength = outLength;
        call.succeeded = driver_->control(code, in, inLength, out, outLength, bytesReturned);
        call.error = call.succeeded ? 0 : os::lastError();
        call.bytesReturned = bytesReturned;
        if (out && bytesReturned > 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(out);
            call.out.assign(bytes, bytes + bytesReturned);
        }
        transcript_->record(call);
        if (!call.succeeded)
            os::setLastError(call.error);
        return call.succeeded;
    }

private:
    std::shared_ptr<Driver> driver_;
    std::shared_ptr<Transcript> transcript_;
};

} // namespace

Device::Device(std::shared_ptr<Driver> driver, std::shared_ptr<Transcript> transcript)
    : driver_(std::move(driver)), transcript_(std::move(transcript)) {}

std::unique_ptr<os::DeviceConnection> Device::open(std::uint32_t, std::uint32_t, std::uint32_t) {
    return std::make_unique<Connection>(driver_, transcript_);
}

void registerStandIn(std::shared_ptr<Device> device) {
    os::registerDevice(kDevicePath, device);
    os::registerDevice(kDevicePath9x, std::move(device));
}

void unregisterStandIn() {
    os::unregisterDevice(kDevicePath);
    os::unregisterDevice(kDevicePath9x);
}

StandIn::StandIn() {
    registerStandIn(std::make_shared<Device>(driver_, transcript_));
}

StandIn::~StandIn() {
    unregisterStandIn();
}

} // namespace vrx::vrxfw
