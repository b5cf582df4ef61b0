#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

namespace vrx::forms {

/// Whether a thread starts running when it is created or waits for Resume.
enum class TThreadStart { Running, Suspended };

/// A thread whose body is Execute. It runs until Execute returns; Terminate only asks it to
/// stop (Execute polls Terminated). Synchronize runs a function on the main thread and blocks
/// the thread until the function has returned; the call travels through the main thread's
/// event loop. A main thread that waits for a thread to end (WaitFor, the destructor) keeps
/// serving that thread's Synchronize calls, so stopping a thread that is blocked in one never
/// deadlocks.
class TThread {
public:
    explicit TThread(TThreadStart start);
    /// Terminates and waits for a running thread. Derived classes whose Execute uses their own
    /// members stop the thread in their own destructor (Terminate, WaitFor) first.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    /// Starts a suspended thread (once); nothing for a started one.
    void Resume();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    bool Suspended() const { return !started_; }
    bool Finished() const;

    /// Waits until Execute has returned; gives ReturnValue. On the main thread the wait serves
    /// pending Synchronize calls. Returns at once for a thread that never started.
    int WaitFor();

    /// Runs the function on the main thread and returns when it has run there. An exception it
    /// raises comes back out of Synchronize in the calling thread. Called on the main thread,
    /// it just runs the function.
    void Synchronize(const std::function<void()>& function);

    /// The exception that ended Execute, if any.
    std::exception_ptr FatalException() const { return fatal_; }

protected:
    virtual void Execute() = 0;
    void SetReturnValue(int value) { returnValue_ = value; }

private:
    void run();

    std::thread thread_;
    std::atomic<bool> terminated_ = false;
    bool started_ = false;
    bool finished_ = false; // guarded by the synchronisation lock
    int returnValue_ = 0;
    std::exception_ptr fatal_;
};

/// Runs the Synchronize calls that wait for the main thread; true if it ran any. The event loop
/// does this by itself; a main thread busy elsewhere may call it.
bool CheckSynchronize();

/// Whether the caller runs on the main (window) thread.
bool IsMainThread();

} // namespace vrx::forms
