#pragma once

#include "Platform/forms/Component.h"
#include "Platform/forms/ExceptionGuard.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace vrx::forms {

/// A window timer: it fires on the main thread every Interval milliseconds while Enabled.
/// Changing the interval of a running timer restarts its period. An exception that escapes
/// OnTimer goes to the application's error box; the timer keeps running.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner = nullptr) : TComponent(owner) {
        timer_.setTimerType(Qt::CoarseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) {
        enabled_ = enabled;
        apply();
    }

    std::uint32_t Interval() const { return interval_; }
    void SetInterval(std::uint32_t interval) {
        interval_ = interval;
        apply();
    }

    /// Whether the timer is counting now (enabled, with a non-zero interval, once set).
    bool Running() const { return timer_.isActive(); }

    /// Fires the timer now, as the elapsed interval does.
    void Tick() {
        if (OnTimer)
            guarded([this] { OnTimer(); });
    }

    std::function<void()> OnTimer;

private:
    void apply() {
        if (enabled_ && interval_ > 0)
            timer_.start(static_cast<int>(interval_));
        else
            timer_.stop();
    }

    QTimer timer_;
    bool enabled_ = true;
    std::uint32_t interval_ = 1000;
};

} // namespace vrx::forms
