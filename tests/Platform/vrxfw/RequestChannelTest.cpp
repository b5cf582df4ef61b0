#include "StandInFixture.h"

#include "Platform/os/Kernel.h"
#include "Platform/os/MemoryReferences.h"

#include <atomic>
#include <cstring>
#include <thread>

using namespace vrx::vrxfw;
using namespace std::chrono_literals;
using vrx::os::Handle;

namespace {

class RequestChannel : public StandInTest {
protected:
    // Fetches one request; empty when the driver had none.
    std::optional<AccessRequest> fetch() {
        AccessRequest record;
        std::uint32_t returned = 0;
        EXPECT_TRUE(call(code::kFetchRequest, nullptr, 0, &record, 28, returned));
        if (returned == 0)
            return std::nullopt;
        EXPECT_EQ(returned, 28u);
        return record;
    }

    // Answers as the program does: a 28-byte input whose first four bytes name the record.
    bool answer(AccessRequest& record) {
        vrx::os::PublishedMemory published(&record, sizeof record);
        std::uint8_t input[28] = {};
        const auto reference = published.reference();
        std::memcpy(input, &reference, 4);
        std::uint32_t returned = 0;
        return call(code::kAnswerRequest, input, 28, nullptr, 0, returned);
    }

    static constexpr std::uint32_t kPeer = 0x0200000A; // 10.0.0.2
};

} // namespace

TEST_F(RequestChannel, ARegisteredEventIsSignalledAndTheRequestIsHandedOutOnce) {
    const Handle event = vrx::os::createEvent(vrx::os::EventReset::Manual, false);
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kRegisterEvent, &event, 4, nullptr, 0, returned));
    const std::uint32_t pid = 4242;
    ASSERT_TRUE(call(code::kRegisterProcess, &pid, 4, nullptr, 0, returned));
    EXPECT_EQ(driver().registeredEvent(), event);
    EXPECT_EQ(driver().clientProcessId(), 4242u);
    EXPECT_EQ(vrx::os::waitForSingleObject(event, 0), vrx::os::kWaitTimeout);

    const auto held = driver().submitRequest(Operation::TcpConnect, 777, kPeer, 80);
    EXPECT_EQ(vrx::os::waitForSingleObject(event, 0), vrx::os::kWaitObject0);

    auto record = fetch();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->discard, 0);
    EXPECT_EQ(record->operation, 0u);
    EXPECT_EQ(record->processId, 777u);
    EXPECT_EQ(record->remoteAddress, kPeer);
    EXPECT_EQ(record->port, 80);
    EXPECT_FALSE(fetch());
    EXPECT_EQ(driver().heldRequestCount(), 1u);

    record->answeredDirectly = 1;
    record->status = kStatusSuccess;
    ASSERT_TRUE(answer(*record));
    EXPECT_EQ(held->waitForVerdict(0ms), kStatusSuccess);
    EXPECT_EQ(held->answer()->answeredDirectly, 1);
    EXPECT_EQ(driver().heldRequestCount(), 0u);
    EXPECT_EQ(vrx::os::publishedMemoryCount(), 0u);
    vrx::os::closeHandle(event);
}

TEST_F(RequestChannel, TheEventIsSignalledAgainAfterEachFetchWhileRequestsWait) {
    const Handle event = vrx::os::createEvent(vrx::os::EventReset::Manual, false);
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kRegisterEvent, &event, 4, nullptr, 0, returned));
    driver().submitRequest(Operation::TcpConnect, 1, kPeer, 80);
    driver().submitRequest(Operation::TcpConnect, 1, kPeer, 81);

    // The client resets before each fetch, as the program's worker does.
    for (const bool moreWaiting : {true, false}) {
        SCOPED_TRACE(moreWaiting);
        ASSERT_TRUE(vrx::os::resetEvent(event));
        ASSERT_TRUE(fetch());
        EXPECT_EQ(vrx::os::waitForSingleObject(event, 0),
                  moreWaiting ? vrx::os::kWaitObject0 : vrx::os::kWaitTimeout);
    }
    vrx::os::closeHandle(event);
}

TEST_F(RequestChannel, FetchNeedsRoomForOneRecord) {
    driver().submitRequest(Operation::TcpSend, 1, kPeer, 25);
    std::uint8_t small[27];
    std::uint32_t returned = 0;
    EXPECT_FALSE(call(code::kFetchRequest, nullptr, 0, small, 27, returned));
    EXPECT_EQ(vrx::os::lastError(), vrx::os::error::kInsufficientBuffer);
    EXPECT_EQ(driver().waitingRequestCount(), 1u);
}

TEST_F(RequestChannel, ARefusalFailsTheOperation) {
    const auto held = driver().submitRequest(Operation::UdpSend, 5, kPeer, 53);
    auto record = fetch();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->operation, 3u);
    record->status = kStatusAccessDenied;
    ASSERT_TRUE(answer(*record));
    EXPECT_EQ(held->waitForVerdict(0ms), kStatusAccessDenied);
}

TEST_F(RequestChannel, AnAnswerThatCannotBeResolvedLeavesTheRequestHeld) {
    const auto held = driver().submitRequest(Operation::TcpConnect, 5, kPeer, 80);
    auto record = fetch();
    ASSERT_TRUE(record);
    record->status = kStatusSuccess;

    // A reference withdrawn before the call, and one never published.
    const auto stale = vrx::os::publishMemory(&*record, sizeof *record);
    ASSERT_TRUE(vrx::os::withdrawMemory(stale));
    for (const std::uint32_t reference : {stale, 0u, 0x12345678u}) {
        std::uint8_t input[28] = {};
        std::memcpy(input, &reference, 4);
        std::uint32_t returned = 0;
        EXPECT_FALSE(call(code::kAnswerRequest, input, 28, nullptr, 0, returned));
        EXPECT_EQ(vrx::os::lastError(), vrx::os::error::kInvalidParameter);
    }
    // A record whose number the driver does not hold.
    AccessRequest forged = *record;
    forged.requestId += 1000;
    forged.check = ~forged.requestId;
    EXPECT_FALSE(answer(forged));

    EXPECT_FALSE(held->waitForVerdict(0ms));
    EXPECT_EQ(driver().heldRequestCount(), 1u);

    ASSERT_TRUE(answer(*record));
    EXPECT_EQ(held->waitForVerdict(0ms), kStatusSuccess);
    EXPECT_FALSE(answer(*record)); // answered once only
}

TEST_F(RequestChannel, ADiscardedRecordIsHandedOutButNeverHeld) {
    const auto held =
        driver().submitRequest(Operation::TcpConnect, 5, kPeer, 80, Driver::Delivery::Discard);
    const auto record = fetch();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->discard, 1);
    EXPECT_TRUE(held->discarded());
    EXPECT_EQ(driver().heldRequestCount(), 0u);
}

TEST_F(RequestChannel, AllowedListenAndReceiveRequestsOpenTheirPorts) {
    driver().submitRequest(Operation::TcpListen, 5, 0, 8080);
    driver().submitRequest(Operation::UdpReceive, 5, 0, 5353);
    driver().submitRequest(Operation::TcpListen, 5, 0, 2121);
    for (int i = 0; i < 3; ++i) {
        auto record = fetch();
        ASSERT_TRUE(record);
        record->status = record->port == 2121 ? kStatusAccessDenied : kStatusSuccess;
        ASSERT_TRUE(answer(*record));
    }
    EXPECT_TRUE(driver().isAllowedPort(kProtocolTcp, 8080));
    EXPECT_TRUE(driver().isAllowedPort(kProtocolUdp, 5353));
    EXPECT_FALSE(driver().isAllowedPort(kProtocolUdp, 8080));
    EXPECT_FALSE(driver().isAllowedPort(kProtocolTcp, 2121));
    driver().closeAllowedPort(kProtocolTcp, 8080);
    EXPECT_FALSE(driver().isAllowedPort(kProtocolTcp, 8080));
}

TEST_F(RequestChannel, SecondEventIsKept) {
    const Handle second = 0x1234;
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kRegisterSecondEvent, &second, 4, nullptr, 0, returned));
    EXPECT_EQ(driver().secondEvent(), second);
    EXPECT_FALSE(call(code::kRegisterSecondEvent, nullptr, 0, nullptr, 0, returned));
}

// The request channel's worker and the window thread use one handle at the same time.
TEST_F(RequestChannel, BothFamiliesAreServedFromTwoThreadsAtOnce) {
    constexpr int kRequests = 300;
    std::vector<std::shared_ptr<HeldRequest>> held;
    for (int i = 0; i < kRequests; ++i)
        held.push_back(driver().submitRequest(Operation::TcpConnect, static_cast<std::uint32_t>(i),
                                              kPeer, static_cast<std::uint16_t>(i)));
    std::atomic<bool> done = false;
    std::atomic<int> controlFailures = 0;

    std::thread window([&] {
        std::vector<std::uint8_t> tdi(56000);
        std::vector<std::uint8_t> log(1700);
        Statistics stats;
        while (!done) {
            std::uint32_t returned = 0;
            if (!vrx::os::deviceIoControl(device, code::kReadStatistics, nullptr, 0, &stats, 16,
                                          &returned) ||
                !vrx::os::deviceIoControl(device, code::kReadLog, nullptr, 0, log.data(), 1700,
                                          &returned) ||
                !vrx::os::deviceIoControl(device, code::kReadTdiStates, nullptr, 0, tdi.data(),
                                          56000, &returned) ||
                !vrx::os::deviceIoControl(device, code::kSuspendFiltering, nullptr, 4, nullptr, 4,
                                          &returned) ||
                !vrx::os::deviceIoControl(device, code::kResumeFiltering, nullptr, 4, nullptr, 4,
                                          &returned))
                ++controlFailures;
        }
    });
    std::thread worker([&] {
        int answered = 0;
        while (answered < kRequests) {
            AccessRequest record;
            std::uint32_t returned = 0;
            if (!vrx::os::deviceIoControl(device, code::kFetchRequest, nullptr, 0, &record, 28,
                                          &returned) ||
                returned != 28)
                continue;
            record.status = record.port % 2 == 0 ? kStatusSuccess : kStatusAccessDenied;
            vrx::os::PublishedMemory published(&record, sizeof record);
            std::uint8_t input[28] = {};
            const auto reference = published.reference();
            std::memcpy(input, &reference, 4);
            if (vrx::os::deviceIoControl(device, code::kAnswerRequest, input, 28, nullptr, 0,
                                         &returned))
                ++answered;
        }
    });
    worker.join();
    done = true;
    window.join();

    EXPECT_EQ(controlFailures, 0);
    for (int i = 0; i < kRequests; ++i)
        EXPECT_EQ(held[i]->waitForVerdict(0ms), i % 2 == 0 ? kStatusSuccess : kStatusAccessDenied)
            << i;
}
