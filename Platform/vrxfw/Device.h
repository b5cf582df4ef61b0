#pragma once

#include "Platform/os/DeviceIo.h"
#include "Platform/vrxfw/Driver.h"
#include "Platform/vrxfw/Transcript.h"

#include <memory>

namespace vrx::vrxfw {

/// The device paths the stand-in serves: the NT family's and the Windows 9x family's name.
inline constexpr const char* kDevicePath = "\\\\.\\VRXFW";
inline constexpr const char* kDevicePath9x = "\\\\.\\VRXFW.VXD";

/// The device backend in front of a Driver. Every open handle reaches the same driver, and
/// every connection serves both families of codes, from any number of threads at once. With
/// a transcript, every control call is recorded in it.
class Device final : public os::DeviceBackend {
public:
    explicit Device(std::shared_ptr<Driver> driver, std::shared_ptr<Transcript> transcript = {});

    std::unique_ptr<os::DeviceConnection> open(std::uint32_t access, std::uint32_t share,
                                               std::uint32_t flags) override;

    Driver& driver() { return *driver_; }

private:
    std::shared_ptr<Driver> driver_;
    std::shared_ptr<Transcript> transcript_;
};

/// Registers a device as the backend of both paths; unregisterStandIn removes them.
void registerStandIn(std::shared_ptr<Device> device);
void unregisterStandIn();

/// A stand-in driver registered under both paths for the lifetime of the object (tests).
///     StandIn standIn;                 // a fresh driver with an in-memory transcript
///     standIn.driver().submitRequest(...);
class StandIn {
public:
    StandIn();
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    Driver& driver() { return *driver_; }
    Transcript& transcript() { return *transcript_; }

private:
    std::shared_ptr<Driver> driver_ = std::make_shared<Driver>();
    std::shared_ptr<Transcript> transcript_ = std::make_shared<Transcript>();
};

} // namespace vrx::vrxfw
