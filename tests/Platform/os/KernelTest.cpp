#include "Platform/os/Kernel.h"
#include "Platform/os/CriticalSection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vrx::os;

TEST(Event, ManualResetStaysSignalledUntilReset) {
    const Handle event = createEvent(EventReset::Manual, false);
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitTimeout);
    ASSERT_TRUE(setEvent(event));
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitObject0);
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitObject0);
    ASSERT_TRUE(resetEvent(event));
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitTimeout);
    closeHandle(event);
}

TEST(Event, AutoResetReleasesOneWaitAndResetsItself) {
    const Handle event = createEvent(EventReset::Automatic, true);
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitObject0);
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitTimeout);
    closeHandle(event);
}

TEST(Event, WakesAWaiterOnAnotherThread) {
    const Handle event = createEvent(EventReset::Manual, false);
    std::uint32_t result = kWaitFailed;
    std::thread waiter([&] { result = waitForSingleObject(event, kInfinite); });
    setEvent(event);
    waiter.join();
    EXPECT_EQ(result, kWaitObject0);
    closeHandle(event);
}

TEST(Event, CallsOnAClosedOrForeignHandleFail) {
    const Handle event = createEvent(EventReset::Manual, false);
    closeHandle(event);
    EXPECT_FALSE(setEvent(event));
    EXPECT_EQ(lastError(), error::kInvalidHandle);
    EXPECT_EQ(waitForSingleObject(event, 0), kWaitFailed);
}

TEST(CriticalSection, IsReentrantOnItsThreadAndExcludesOthers) {
    CriticalSection section;
    section.enter();
    section.enter(); // the holder may enter again
    std::atomic<bool> otherGotIn{true};
    std::thread([&] { otherGotIn = section.tryEnter(); }).join();
    EXPECT_FALSE(otherGotIn);
    section.leave();
    section.leave();
    std::thread([&] {
        otherGotIn = section.tryEnter();
        if (otherGotIn)
            section.leave();
    }).join();
    EXPECT_TRUE(otherGotIn);
}
