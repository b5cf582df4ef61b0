#include "Platform/vrxfw/ScenarioPlayer.h"

namespace vrx::vrxfw {

ScenarioPlayer::ScenarioPlayer(std::shared_ptr<Driver> driver, Scenario scenario)
    : driver_(std::move(driver)), scenario_(std::move(scenario)), thread_([this] { play(); }) {}

ScenarioPlayer::~ScenarioPlayer() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ScenarioPlayer::waitUntilPlayedOnce() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return playedOnce_ || stopping_; });
}

std::size_t ScenarioPlayer::eventsApplied() const {
    std::lock_guard guard(lock_);
    return applied_;
}

void ScenarioPlayer::play() {
    ScenarioRun run(*driver_);
    for (;;) {
        const auto start = std::chrono::steady_clock::now();
        for (const ScenarioEvent& event : scenario_.events) {
            {
                std::unique_lock guard(lock_);
                if (changed_.wait_until(guard, start + event.at, [this] { return stopping_; }))
                    return;
            }
            // Applied without the player's lock: the driver takes its own.
            run.apply(event);
            std::lock_guard guard(lock_);
            ++applied_;
        }
        {
            std::lock_guard guard(lock_);
            playedOnce_ = true;
        }
        changed_.notify_all();
        // A looping scenario without events, or whose events all fall at 0, would spin: it
        // waits a millisecond per round at least.
        std::unique_lock guard(lock_);
        if (!scenario_.loop ||
            changed_.wait_for(guard, std::chrono::milliseconds(scenario_.events.empty() ? 1000 : 1),
                              [this] { return stopping_; }))
            return;
    }
}

} // namespace vrx::vrxfw
