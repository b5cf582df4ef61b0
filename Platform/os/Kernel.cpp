#include "Platform/os/Kernel.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vrx::os {

namespace {

class Event final : public Waitable {
public:
    Event(EventReset reset, bool signalled) : reset_(reset), signalled_(signalled) {}

    void set() {
        {
            std::lock_guard guard(lock_);
            signalled_ = true;
        }
        if (reset_ == EventReset::Manual)
            changed_.notify_all();
        else
            changed_.notify_one();
    }

    void reset() {
        std::lock_guard guard(lock_);
        signalled_ = false;
    }

    bool wait(std::uint32_t timeoutMs) override {
        std::unique_lock guard(lock_);
        const auto isSignalled = [this] { return signalled_; };
        if (timeoutMs == kInfinite)
            changed_.wait(guard, isSignalled);
        else if (!changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSignalled))
            return false;
        if (reset_ == EventReset::Automatic)
            signalled_ = false;
        return true;
    }

private:
    const EventReset reset_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool signalled_;
};

std::shared_ptr<Event> eventOf(Handle handle) {
    auto event = HandleTable::instance().get<Event>(handle);
    if (!event)
        setLastError(error::kInvalidHandle);
    return event;
}

} // namespace

Handle createEvent(EventReset reset, bool initiallySignalled) {
    return HandleTable::instance().insert(std::make_shared<Event>(reset, initiallySignalled));
}

bool setEvent(Handle event) {
    const auto object = eventOf(event);
    if (object)
        object->set();
    return object != nullptr;
}

std::uint32_t openVxDHandle(Handle event) {
    return eventOf(event) ? event : 0;
}

bool resetEvent(Handle event) {
    const auto object = eventOf(event);
    if (object)
        object->reset();
    return object != nullptr;
}

std::uint32_t waitForSingleObject(Handle object, std::uint32_t timeoutMs) {
    const auto waitable = HandleTable::instance().get<Waitable>(object);
    if (!waitable) {
        setLastError(error::kInvalidHandle);
        return kWaitFailed;
    }
    return waitable->wait(timeoutMs) ? kWaitObject0 : kWaitTimeout;
}

} // namespace vrx::os
