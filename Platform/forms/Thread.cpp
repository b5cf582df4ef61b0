#include "Platform/forms/Thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace vrx::forms {

namespace {

/// One call waiting for the main thread.
struct SyncCall {
    const std::function<void()>* function = nullptr;
    std::exception_ptr error;
    bool done = false;
};

/// The calls waiting for the main thread, and the state of every thread's end, under one lock
/// so that a main thread waiting for a thread wakes for either.
struct SyncQueue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<SyncCall*> calls;
};

SyncQueue& syncQueue() {
    static SyncQueue queue;
    return queue;
}

} // namespace

bool IsMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool CheckSynchronize() {
    SyncQueue& q = syncQueue();
    bool ran = false;
    for (;;) {
        SyncCall* call = nullptr;
        {
            std::lock_guard guard(q.lock);
            if (q.calls.empty())
                return ran;
            call = q.calls.front();
            q.calls.pop_front();
        }
        try {
            (*call->function)();
        } catch (...) {
            call->error = std::current_exception();
        }
        ran = true;
        {
            std::lock_guard guard(q.lock);
            call->done = true;
        }
        q.changed.notify_all();
    }
}

TThread::TThread(TThreadStart start) {
    if (start == TThreadStart::Running)
        Resume();
}

TThread::~TThread() {
    if (started_ && !Finished()) {
        Terminate();
        WaitFor();
    }
    if (thread_.joinable())
        thread_.join();
}

void TThread::Resume() {
    if (started_)
        return;
    started_ = true;
    thread_ = std::thread([this] { run(); });
}

void TThread::run() {
    try {
        Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    SyncQueue& q = syncQueue();
    {
        std::lock_guard guard(q.lock);
        finished_ = true;
    }
    q.changed.notify_all();
}

bool TThread::Finished() const {
    std::lock_guard guard(syncQueue().lock);
    return finished_;
}

int TThread::WaitFor() {
    if (!started_)
        return returnValue_;
    SyncQueue& q = syncQueue();
    const bool mainThread = IsMainThread();
    {
        std::unique_lock guard(q.lock);
        for (;;) {
            if (finished_)
                break;
            if (mainThread && !q.calls.empty()) {
                guard.unlock();
                CheckSynchronize();
                guard.lock();
                continue;
            }
            q.changed.wait(guard);
        }
    }
    if (thread_.joinable())
        thread_.join();
    return returnValue_;
}

void TThread::Synchronize(const std::function<void()>& function) {
    if (IsMainThread() || !QCoreApplication::instance()) {
        function();
        return;
    }
    SyncQueue& q = syncQueue();
    SyncCall call;
    call.function = &function;
    {
        std::lock_guard guard(q.lock);
        q.calls.push_back(&call);
    }
    // Wake both an idle event loop and a main thread that waits in WaitFor.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { CheckSynchronize(); }, Qt::QueuedConnection);
    q.changed.notify_all();
    {
        std::unique_lock guard(q.lock);
        q.changed.wait(guard, [&] { return call.done; });
    }
    if (call.error)
        std::rethrow_exception(call.error);
}

} // namespace vrx::forms
