#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vrx::os {

/// Where a posted message goes: a receiving window of this or another process of the user.
struct WindowAddress {
    std::string endpoint; // opaque to callers; the service that found it knows what it means
    bool operator==(const WindowAddress&) const = default;
};

/// Message posting between windows, across processes of the same user. A window that receives
/// messages registers under its class name and title; posting queues the message, and it is
/// delivered to the receiver's handler on the receiving process's main thread.
class WindowMessages {
public:
    using Handler =
        std::function<void(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam)>;
    using Registration = std::uint32_t; // 0 is never a registration

    virtual ~WindowMessages() = default;

    /// Makes the window reachable; 0 when it cannot be registered. Must be called on the main
    /// thread, where the handler then runs.
    virtual Registration registerWindow(const std::string& className, const std::string& title,
                                        Handler handler) = 0;
    virtual void unregisterWindow(Registration registration) = 0;

    /// A top-level window matching both given criteria (an empty optional matches anything).
    virtual std::optional<WindowAddress> findWindow(const std::optional<std::string>& className,
                                                    const std::optional<std::string>& title) = 0;

    /// Queues the message for the window; false when it is not reachable (any more).
    virtual bool postMessage(const WindowAddress& window, std::uint32_t message,
                             std::uint32_t wParam, std::uint32_t lParam) = 0;
};

/// The Linux host's implementation (its file: WindowMessagesLinux.cpp).
WindowMessages& hostWindowMessages();

} // namespace vrx::os
