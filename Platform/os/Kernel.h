#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>

namespace vrx::os {

/// Events and waits. They are in-process objects, the same for the host and for tests.

inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

/// A manual-reset event stays signalled until reset; an auto-reset event releases one waiter
/// and resets itself.
enum class EventReset { Manual, Automatic };

Handle createEvent(EventReset reset, bool initiallySignalled);

/// The handle by which a device of the 9x family refers to an event (its "ring-0" handle).
/// Devices here share the process's one handle table, so it is the event's own handle; 0 for
/// a handle that names no event.
std::uint32_t openVxDHandle(Handle event);
bool setEvent(Handle event);
bool resetEvent(Handle event);

/// Waits until the object is signalled or the timeout (ms, kInfinite for none) has passed.
/// kWaitObject0, kWaitTimeout, or kWaitFailed (last error 6) for a handle that names no
/// waitable object.
std::uint32_t waitForSingleObject(Handle object, std::uint32_t timeoutMs);

/// Objects that a handle names and that a thread can wait for.
class Waitable : public HandleObject {
public:
    /// True when signalled within the timeout (consuming the signal of an auto-reset event).
    virtual bool wait(std::uint32_t timeoutMs) = 0;
};

} // namespace vrx::os
