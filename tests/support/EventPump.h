#pragma once

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace vrx::test {

/// Runs the main thread's events until the condition holds or a generous limit passes; whether
/// it came to hold.
template <typename Condition>
bool pumpUntil(Condition condition) {
    using namespace std::chrono_literals;
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace vrx::test
