#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace vrx::os {

/// A handle names one platform object: an event, a mutex, a device, a process, a search, a
/// snapshot, a registry key, a socket or a library. Every service hands out handles from the
/// one process-wide table, so a handle of one kind is never mistaken for another.
using Handle = std::uint32_t;
inline constexpr Handle kInvalidHandle = 0xFFFFFFFFu;

/// Error codes carried by the thread-local last error, with the platform's numbers.
namespace error {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kNoMoreFiles = 18;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kServiceExists = 1073;
inline constexpr std::uint32_t kNotSupported = 50;
inline constexpr std::uint32_t kCallNotImplemented = 120;
inline constexpr std::uint32_t kTimeout = 1460;
} // namespace error

/// The last error of the calling thread, as the failing call left it.
std::uint32_t lastError();
void setLastError(std::uint32_t code);

/// Base of every object a handle can name. Closing the handle drops the table's reference;
/// the object lives on while a call that already holds it is still running.
class HandleObject {
public:
    virtual ~HandleObject() = default;
};

/// The process-wide handle table. Values start above zero and never repeat within a run, so a
/// closed handle cannot come back naming a new object.
class HandleTable {
public:
    static HandleTable& instance();

    Handle insert(std::shared_ptr<HandleObject> object);

    /// The object behind a handle if it is of type T; empty otherwise.
    template <typename T>
    std::shared_ptr<T> get(Handle handle) const {
        return std::dynamic_pointer_cast<T>(find(handle));
    }

    /// Removes the handle; false (last error 6) for a handle that is not in the table.
    bool close(Handle handle);

    std::size_t size() const;

private:
    std::shared_ptr<HandleObject> find(Handle handle) const;

    mutable std::mutex lock_;
    std::unordered_map<Handle, std::shared_ptr<HandleObject>> objects_;
    Handle next_ = 4;
};

/// Closes any handle of the table (CloseHandle). False with last error 6 for an unknown one.
bool closeHandle(Handle handle);

} // namespace vrx::os
