#pragma once

#include "Platform/os/WindowMessages.h"

#include <cstddef>
#include <deque>
#include <map>
#include <vector>

namespace vrx::os {

/// In-memory windows. Posting records the message and queues it; the test delivers the queue
/// with deliverPosted(), so it decides when the receivers' handlers run.
class FakeWindowMessages final : public WindowMessages {
public:
    struct Posted {
        WindowAddress window;
        std::uint32_t message = 0;
        std::uint32_t wParam = 0;
        std::uint32_t lParam = 0;
        bool operator==(const Posted&) const = default;
    };

    Registration registerWindow(const std::string& className, const std::string& title,
                                Handler handler) override;
    void unregisterWindow(Registration registration) override;
    std::optional<WindowAddress> findWindow(const std::optional<std::string>& className,
                                            const std::optional<std::string>& title) override;
    bool postMessage(const WindowAddress& window, std::uint32_t message, std::uint32_t wParam,
                     std::uint32_t lParam) override;

    /// A window of some other program: it can be found and posted to, and handles nothing.
    WindowAddress addForeignWindow(const std::string& className, const std::string& title);
    static WindowAddress addressOf(Registration registration);

    /// Every message posted so far, in order, delivered or not.
    const std::vector<Posted>& posted() const { return posted_; }
    /// Runs the handlers of the queued messages in posting order; the number delivered.
    std::size_t deliverPosted();

private:
    struct Window {
        std::string className;
        std::string title;
        Handler handler;
    };

    std::map<Registration, Window> windows_;
    std::vector<Posted> posted_;
    std::deque<Posted> queue_;
    Registration next_ = 1;
};

} // namespace vrx::os
