#pragma once

#include <mutex>

namespace vrx::os {

/// A critical section: a lock that the thread holding it may enter again (each enter needs its
/// leave), as the platform's critical sections allow.
class CriticalSection {
public:
    void enter() { mutex_.lock(); }
    void leave() { mutex_.unlock(); }
    bool tryEnter() { return mutex_.try_lock(); }

    // The standard Lockable names, so std::lock_guard and std::unique_lock work.
    void lock() { enter(); }
    void unlock() { leave(); }
    bool try_lock() { return tryEnter(); }

private:
    std::recursive_mutex mutex_;
};

/// Holds a critical section for a scope when there is one: before start-up creates a lock,
/// only one thread runs and the code it guards runs without it.
class OptionalLock {
public:
    explicit OptionalLock(CriticalSection* lock) : lock_(lock) {
        if (lock_)
            lock_->enter();
    }
    ~OptionalLock() {
        if (lock_)
            lock_->leave();
    }
    OptionalLock(const OptionalLock&) = delete;
    OptionalLock& operator=(const OptionalLock&) = delete;

private:
    CriticalSection* lock_;
};

} // namespace vrx::os
