#pragma once

#include "Platform/vrxfw/Scenario.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace vrx::vrxfw {

/// Plays a scenario on a driver from a thread of its own: each event is applied when its time
/// from the start has come. Destroying the player stops it at once, events not yet due are
/// left out.
class ScenarioPlayer {
public:
    ScenarioPlayer(std::shared_ptr<Driver> driver, Scenario scenario);
    ~ScenarioPlayer();
    ScenarioPlayer(const ScenarioPlayer&) = delete;
    ScenarioPlayer& operator=(const ScenarioPlayer&) = delete;

    /// Blocks until every event has been applied once (a looping scenario goes on after).
    void waitUntilPlayedOnce();
    std::size_t eventsApplied() const;

private:
    void play();

    std::shared_ptr<Driver> driver_;
    Scenario scenario_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool playedOnce_ = false;
    std::size_t applied_ = 0;
    std::thread thread_; // last: it starts once everything above is set
};

} // namespace vrx::vrxfw
