#include "tests/support/FakeWindowMessages.h"

#include "Platform/os/Handles.h"

#include <QString>

namespace vrx::os {

namespace {

constexpr std::uint32_t kInvalidWindowHandle = 1400;

// Class names and titles match without regard to case, as on the host.
bool sameText(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

std::optional<WindowMessages::Registration> registrationOf(const WindowAddress& address) {
    constexpr std::string_view prefix = "fake:";
    if (!address.endpoint.starts_with(prefix))
        return std::nullopt;
    try {
        return static_cast<WindowMessages::Registration>(
            std::stoul(address.endpoint.substr(prefix.size())));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

WindowAddress FakeWindowMessages::addressOf(Registration registration) {
    return WindowAddress{"fake:" + std::to_string(registration)};
}

WindowMessages::Registration FakeWindowMessages::registerWindow(const std::string& className,
                                                                const std::string& title,
                                                                Handler handler) {
    const Registration registration = next_++;
    windows_[registration] = Window{className, title, std::move(handler)};
    return registration;
}

void FakeWindowMessages::unregisterWindow(Registration registration) {
    windows_.erase(registration);
}

WindowAddress FakeWindowMessages::addForeignWindow(const std::string& className,
                                                   const std::string& title) {
    return addressOf(registerWindow(className, title, nullptr));
}

std::optional<WindowAddress>
FakeWindowMessages::findWindow(const std::optional<std::string>& className,
                               const std::optional<std::string>& title) {
    // The newest window first, as the host finds it.
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if ((!className || sameText(*className, it->second.className)) &&
            (!title || sameText(*title, it->second.title)))
            return addressOf(it->first);
    }
    return std::nullopt;
}

bool FakeWindowMessages::postMessage(const WindowAddress& window, std::uint32_t message,
                                     std::uint32_t wParam, std::uint32_t lParam) {
    const auto registration = registrationOf(window);
    if (!registration || !windows_.contains(*registration)) {
        setLastError(kInvalidWindowHandle);
        return false;
    }
    const Posted posted{window, message, wParam, lParam};
    posted_.push_back(posted);
    queue_.push_back(posted);
    return true;
}

std::size_t FakeWindowMessages::deliverPosted() {
    std::size_t delivered = 0;
    while (!queue_.empty()) {
        const Posted next = queue_.front();
        queue_.pop_front();
        const auto it = windows_.find(*registrationOf(next.window));
        if (it == windows_.end())
            continue;
        const Handler handler = it->second.handler;
        if (handler)
            handler(next.message, next.wParam, next.lParam);
        ++delivered;
    }
    return delivered;
}

} // namespace vrx::os
