#include "Platform/forms/Thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

using namespace vrx::forms;

namespace {

/// A thread that runs the given body.
class BodyThread : public TThread {
public:
    explicit BodyThread(std::function<void(BodyThread&)> body)
        : TThread(TThreadStart::Suspended), body_(std::move(body)) {}
    ~BodyThread() override {
        Terminate();
        WaitFor();
    }
    using TThread::SetReturnValue;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(BodyThread&)> body_;
};

} // namespace

TEST(ThreadTest, SynchronizeRunsOnTheMainThreadThroughTheEventLoop) {
    std::atomic<bool> ranOnMain = false;
    BodyThread worker([&](BodyThread& self) {
        self.Synchronize([&] { ranOnMain = IsMainThread(); });
        self.SetReturnValue(7);
    });
    EXPECT_TRUE(worker.Suspended());
    worker.Resume();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (worker.Finished())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(worker.WaitFor(), 7);
}

TEST(ThreadTest, ExceptionOfASynchronizedCallComesBackToTheWorker) {
    std::string caught;
    BodyThread worker([&](BodyThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("main side failed"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    });
    worker.Resume();
    worker.WaitFor(); // the main thread serves the call while it waits
    EXPECT_EQ(caught, "main side failed");
}

TEST(ThreadTest, StoppingAWorkerBlockedInSynchronizeDoesNotDeadlock) {
    // The worker hands a request to the main thread again and again; the main thread, busy
    // switching off without returning to its event loop, asks it to stop and waits for it.
    std::atomic<int> handed = 0;
    std::atomic<bool> inCall = false;
    BodyThread worker([&](BodyThread& self) {
        while (!self.Terminated()) {
            inCall = true;
            self.Synchronize([&] { ++handed; });
        }
    });
    worker.Resume();
    while (!inCall)
        std::this_thread::yield();
    worker.Terminate();
    worker.WaitFor();
    EXPECT_TRUE(worker.Finished());
    EXPECT_GE(handed.load(), 1);
}

TEST(ThreadTest, ExceptionEndingExecuteIsKept) {
    BodyThread worker([](BodyThread&) { throw std::runtime_error("worker died"); });
    worker.Resume();
    worker.WaitFor();
    ASSERT_TRUE(worker.FatalException());
    EXPECT_THROW(std::rethrow_exception(worker.FatalException()), std::runtime_error);
}

TEST(ThreadTest, NeverStartedThreadIsDestroyedWithoutWaiting) {
    BodyThread worker([](BodyThread&) { FAIL() << "must not run"; });
    EXPECT_EQ(worker.WaitFor(), 0);
}

TEST(ThreadTest, SynchronizeOnTheMainThreadRunsAtOnce) {
    BodyThread unused([](BodyThread&) {});
    bool ran = false;
    unused.Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
}
