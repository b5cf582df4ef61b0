#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vrx::os {

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kOpenExisting = 3;

/// One open connection to a device. Its control calls may come from several threads at once.
class DeviceConnection {
public:
    virtual ~DeviceConnection() = default;
    /// Handles one control code; bytesReturned := bytes written to out. False with the last
    /// error set when the device refuses the call.
    virtual bool control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                         std::uint32_t outLength, std::uint32_t& bytesReturned) = 0;
};

/// Something that serves a device path.
class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;
    /// A new connection, or none (with the last error set) when the device refuses.
    virtual std::unique_ptr<DeviceConnection> open(std::uint32_t access, std::uint32_t share,
                                                   std::uint32_t flags) = 0;
};

/// Makes a backend serve a path (compared without regard to case) until unregistered.
void registerDevice(const std::string& path, std::shared_ptr<DeviceBackend> backend);
void unregisterDevice(const std::string& path);

/// Opens a device path; kInvalidHandle with last error 2 when no backend serves it.
Handle createFile(const std::string& path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t creation, std::uint32_t flags);

/// Sends one control code to an open device (synchronous). bytesReturned may be null.
bool deviceIoControl(Handle device, std::uint32_t code, const void* in, std::uint32_t inLength,
                     void* out, std::uint32_t outLength, std::uint32_t* bytesReturned);

} // namespace vrx::os
