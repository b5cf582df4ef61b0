#include "Application/core/KernalCallBack.h"

#include "Application/core/ProgramLocks.h"
#include "Platform/os/DeviceIo.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"
#include "tests/support/EventPump.h"
#include "tests/support/FakeSystemInfo.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using vrx::vrxfw::HeldRequest;
using vrx::vrxfw::Operation;
using vrx::vrxfw::Transcript;

using vrx::test::pumpUntil;

class KernalCallBackTest : public ::testing::Test {
protected:
    vrx::test::FakeSystemInfo info;
    vrx::os::ScopedService<vrx::os::SystemInfo> infoGuard{&vrx::os::Services::systemInfo, &info};
    vrx::vrxfw::StandIn standIn;
    vrx::os::CriticalSection queueLock;
    vrx::os::Handle device = vrx::os::kInvalidHandle;
    std::unique_ptr<TKernalCallBack> channel;

    KernalCallBackTest() { RequestQueueLock = &queueLock; }
    ~KernalCallBackTest() override {
        channel.reset();
        if (device != vrx::os::kInvalidHandle)
            vrx::os::closeHandle(device);
        RequestQueueLock = nullptr;
    }

    TKernalCallBack& open() {
        device = vrx::os::createFile(vrx::vrxfw::kDevicePath,
                                     vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                                     vrx::os::kOpenExisting, 0x40000080);
        channel = std::make_unique<TKernalCallBack>();
        channel->SetDevice(device);
        return *channel;
    }

    vrx::vrxfw::Driver& driver() { return standIn.driver(); }
    std::shared_ptr<HeldRequest>
    submit(std::uint16_t port,
           vrx::vrxfw::Driver::Delivery delivery = vrx::vrxfw::Driver::Delivery::Answer) {
        return driver().submitRequest(Operation::TcpConnect, 1234, 0x0100007F, port, delivery);
    }
    std::vector<Transcript::Call> callsWith(std::uint32_t code) {
        std::vector<Transcript::Call> found;
        for (const auto& call : standIn.transcript().calls())
            if (call.code == code)
                found.push_back(call);
        return found;
    }
    std::vector<std::uint32_t> codes() {
        std::vector<std::uint32_t> list;
        for (const auto& call : standIn.transcript().calls())
            list.push_back(call.code);
        return list;
    }
};

TEST_F(KernalCallBackTest, RegistrationByPlatformFamily) {
    struct Case {
        std::uint32_t platform;
        bool vxdEntry;
        std::vector<std::uint32_t> codes;
    };
    const Case cases[] = {
        {vrx::os::kPlatformNT, false, {DriverCode::RegisterEvent, DriverCode::RegisterProcess}},
        {vrx::os::kPlatformWindows9x,
         true,
         {DriverCode::RegisterEvent, DriverCode::RegisterSecondEvent, DriverCode::RegisterProcess}},
        {vrx::os::kPlatformWindows9x, false, {DriverCode::RegisterProcess}},
        {vrx::os::kPlatformWin32s, false, {DriverCode::RegisterProcess}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "platform " << c.platform << " vxd " << c.vxdEntry);
        info.platformId = c.platform;
        if (c.vxdEntry)
            info.libraries.addEntryPoint("KERNEL32.DLL", "OpenVxDHandle");
        standIn.transcript().clear();
        open().SetEnabled(true);
        std::vector<std::uint32_t> registrations;
        for (std::uint32_t code : codes())
            if (code != DriverCode::FetchRequest)
                registrations.push_back(code);
        EXPECT_EQ(registrations, c.codes);
        EXPECT_EQ(driver().clientProcessId(), 4242u);
        if (c.codes.size() > 1) {
            EXPECT_EQ(driver().registeredEvent(), channel->RequestEvent());
        }
        channel.reset();
        vrx::os::closeHandle(device);
        device = vrx::os::kInvalidHandle;
        info.libraries.removeEntryPoint("KERNEL32.DLL", "OpenVxDHandle");
    }
}

TEST_F(KernalCallBackTest, RuleDecisionIsAnsweredFromTheWorkerThread) {
    std::thread::id decidedOn;
    TKernalCallBack& kcb = open();
    kcb.OnDecide = [&](TAccessRequest& request) {
        decidedOn = std::this_thread::get_id();
        request.Status = request.Port == 80 ? STATUS_SUCCESS : STATUS_ACCESS_DENIED;
        return false;
    };
    kcb.OnPrompt = [](TAccessRequest&) -> bool {
        ADD_FAILURE() << "prompted";
        return true;
    };
    kcb.SetEnabled(true);

    const auto allowed = submit(80);
    const auto refused = submit(81);
    EXPECT_EQ(allowed->waitForVerdict(10s), STATUS_SUCCESS);
    EXPECT_EQ(refused->waitForVerdict(10s), STATUS_ACCESS_DENIED);
    EXPECT_EQ(allowed->answer()->answeredDirectly, 1);
    EXPECT_NE(decidedOn, std::this_thread::get_id());
    EXPECT_EQ(kcb.PeekRequest(), nullptr);

    // The answer carries the record's reference, then zeros. (The transcript records a call
    // as it returns, just after the submitter learns its verdict.)
    ASSERT_TRUE(pumpUntil([&] { return callsWith(DriverCode::AnswerRequest).size() == 2; }));
    const auto answers = callsWith(DriverCode::AnswerRequest);
    ASSERT_EQ(answers.size(), 2u);
    ASSERT_EQ(answers[0].in.size(), 28u);
    EXPECT_EQ(std::vector<std::uint8_t>(answers[0].in.begin() + 4, answers[0].in.end()),
              std::vector<std::uint8_t>(24, 0));
    EXPECT_NE(answers[0].in[0] | answers[0].in[1] | answers[0].in[2] | answers[0].in[3], 0);
}

TEST_F(KernalCallBackTest, RequestsForTheUserAreQueuedAndAnsweredOldestFirst) {
    std::vector<std::uint16_t> prompted;
    TKernalCallBack& kcb = open();
    kcb.OnDecide = [](TAccessRequest& request) {
        request.Status = STATUS_ACCESS_DENIED;
        return true;
    };
    kcb.OnPrompt = [&](TAccessRequest& request) {
        prompted.push_back(request.Port);
        return true;
    };
    kcb.SetEnabled(true);

    const auto first = submit(1001);
    ASSERT_TRUE(pumpUntil([&] { return prompted.size() == 1; }));
    const auto second = submit(1002);
    ASSERT_TRUE(pumpUntil([&] { return prompted.size() == 2; }));

    TAccessRequest* head = kcb.PeekRequest();
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->Port, 1001);
    EXPECT_EQ(head->AnsweredDirectly, 0);
    head->Status = STATUS_SUCCESS;
    kcb.CompleteHeadRequest();
    EXPECT_EQ(first->waitForVerdict(10s), STATUS_SUCCESS);
    EXPECT_EQ(first->answer()->answeredDirectly, 0);

    ASSERT_NE(kcb.PeekRequest(), nullptr);
    EXPECT_EQ(kcb.PeekRequest()->Port, 1002);
    kcb.CompleteHeadRequest();
    EXPECT_EQ(second->waitForVerdict(10s), STATUS_ACCESS_DENIED);
    EXPECT_EQ(kcb.PeekRequest(), nullptr);
    kcb.CompleteHeadRequest(); // nothing left: nothing sent
    EXPECT_EQ(callsWith(DriverCode::AnswerRequest).size(), 2u);
}

TEST_F(KernalCallBackTest, SwitchingOffAnswersEveryQueuedRequestInOrder) {
    int prompted = 0;
    TKernalCallBack& kcb = open();
    kcb.OnDecide = [](TAccessRequest& request) {
        request.Status = STATUS_ACCESS_DENIED;
        return true;
    };
    kcb.OnPrompt = [&](TAccessRequest&) { return ++prompted, true; };
    kcb.SetEnabled(true);
    std::vector<std::shared_ptr<HeldRequest>> held;
    for (std::uint16_t port : {2001, 2002, 2003}) {
        held.push_back(submit(port));
        ASSERT_TRUE(pumpUntil([&] { return prompted == static_cast<int>(held.size()); }));
    }

    kcb.SetEnabled(false);
    EXPECT_FALSE(kcb.Enabled());
    std::vector<std::uint16_t> order;
    for (const auto& call : callsWith(DriverCode::AnswerRequest)) {
        ASSERT_TRUE(call.answeredRecord.has_value());
        TAccessRequest record;
        std::memcpy(&record, call.answeredRecord->data(), sizeof record);
        order.push_back(record.Port);
        EXPECT_EQ(record.AnsweredDirectly, 1);
        EXPECT_EQ(record.Status, STATUS_ACCESS_DENIED);
    }
    EXPECT_EQ(order, (std::vector<std::uint16_t>{2001, 2002, 2003}));
    for (const auto& request : held)
        EXPECT_EQ(request->waitForVerdict(10s), STATUS_ACCESS_DENIED);
}

TEST_F(KernalCallBackTest, DiscardedRecordGetsNeitherDecisionNorAnswer) {
    int decisions = 0;
    TKernalCallBack& kcb = open();
    kcb.OnDecide = [&](TAccessRequest&) { return ++decisions, false; };
    kcb.SetEnabled(true);
    const auto dropped = submit(3001, vrx::vrxfw::Driver::Delivery::Discard);
    const auto answered = submit(3002);
    EXPECT_EQ(answered->waitForVerdict(10s), STATUS_ACCESS_DENIED);
    EXPECT_TRUE(dropped->discarded());
    EXPECT_FALSE(dropped->answer().has_value());
    EXPECT_EQ(decisions, 1);
}

TEST_F(KernalCallBackTest, WithoutADeviceTheChannelStaysOff) {
    channel = std::make_unique<TKernalCallBack>();
    channel->SetEnabled(true);
    EXPECT_FALSE(channel->Enabled());
    EXPECT_EQ(channel->RequestEvent(), vrx::os::kInvalidHandle);
    EXPECT_TRUE(standIn.transcript().calls().empty());
}

TEST_F(KernalCallBackTest, SwitchingOffWhileTheWorkerWaitsForTheMainThreadNeverDeadlocks) {
    TKernalCallBack& kcb = open();
    std::atomic<bool> decided = false;
    kcb.OnDecide = [&](TAccessRequest& request) {
        request.Status = STATUS_ACCESS_DENIED;
        decided = true;
        return true; // on to the main thread, which is busy here and does not serve it yet
    };
    kcb.OnPrompt = [](TAccessRequest&) -> bool {
        ADD_FAILURE() << "queued after switch-off";
        return true;
    };
    kcb.SetEnabled(true);
    const auto request = submit(4001);
    while (!decided)
        std::this_thread::sleep_for(1ms);

    kcb.SetEnabled(false);
    channel.reset(); // waits for the worker, serving the request it hands over
    EXPECT_EQ(request->waitForVerdict(10s), STATUS_ACCESS_DENIED);
    EXPECT_EQ(request->answer()->answeredDirectly, 1);
}

} // namespace

namespace {

/// A device that holds no requests and never signals: it only counts the fetches.
class SilentDevice final : public vrx::os::DeviceBackend {
public:
    std::atomic<int> fetches = 0;

    std::unique_ptr<vrx::os::DeviceConnection> open(std::uint32_t, std::uint32_t,
                                                    std::uint32_t) override {
        struct Connection final : vrx::os::DeviceConnection {
            SilentDevice& device;
            explicit Connection(SilentDevice& owner) : device(owner) {}
            bool control(std::uint32_t code, const void*, std::uint32_t, void*, std::uint32_t,
                         std::uint32_t& returned) override {
                returned = 0;
                if (code == DriverCode::FetchRequest)
                    ++device.fetches;
                return true;
            }
        };
        return std::make_unique<Connection>(*this);
    }
};

TEST(KernalCallBackPolling, WithoutASignalTheDriverIsStillAskedAgainAndAgain) {
    vrx::test::FakeSystemInfo info;
    vrx::os::ScopedService<vrx::os::SystemInfo> infoGuard(&vrx::os::Services::systemInfo, &info);
    auto device = std::make_shared<SilentDevice>();
    vrx::os::registerDevice("\\\\.\\SILENT", device);
    const vrx::os::Handle handle =
        vrx::os::createFile("\\\\.\\SILENT", vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                            vrx::os::kOpenExisting, 0);
    {
        TKernalCallBack channel;
        channel.SetDevice(handle);
        channel.SetEnabled(true);
        // The wait is 100 ms at most, so several fetches come without any signal.
        EXPECT_TRUE(pumpUntil([&] { return device->fetches >= 3; }));
        channel.SetEnabled(false);
    }
    vrx::os::closeHandle(handle);
    vrx::os::unregisterDevice("\\\\.\\SILENT");
}

TEST_F(KernalCallBackTest, ThousandsOfRequestsAreEachAnsweredExactlyOnceAcrossTheSwitchOff) {
    // Even ports are decided by the rules (allowed, on the worker), odd ones go to the user.
    std::atomic<int> fetched = 0;
    int prompted = 0;
    TKernalCallBack& kcb = open();
    kcb.OnDecide = [&](TAccessRequest& request) {
        ++fetched;
        const bool decided = request.Port % 2 == 0;
        request.Status = decided ? STATUS_SUCCESS : STATUS_ACCESS_DENIED;
        return !decided;
    };
    kcb.OnPrompt = [&](TAccessRequest&) { return ++prompted, true; };
    kcb.SetEnabled(true);

    constexpr int kRequests = 3000;
    constexpr int kSwitchOffAfter = 1000; // fetched requests
    std::vector<std::shared_ptr<HeldRequest>> held(kRequests);
    std::thread submitter([&] {
        for (int i = 0; i < kRequests; ++i)
            held[static_cast<std::size_t>(i)] = submit(static_cast<std::uint16_t>(i));
    });
    // The user allows one of every three prompted requests, so the queue grows; the channel is
    // switched off once a third of the requests has been fetched. The worker cannot run ahead
    // meanwhile: it waits for this thread at the next request for the user.
    int allowedByUser = 0;
    const bool reachedMidway = pumpUntil([&] {
        if (allowedByUser < prompted / 3) {
            TAccessRequest* head = kcb.PeekRequest();
            if (!head)
                return false;
            head->Status = STATUS_SUCCESS;
            kcb.CompleteHeadRequest();
            ++allowedByUser;
        }
        return fetched >= kSwitchOffAfter;
    });
    ASSERT_TRUE(reachedMidway);
    ASSERT_NE(kcb.PeekRequest(), nullptr); // the switch-off has queued requests to answer
    kcb.SetEnabled(false);
    submitter.join();
    channel.reset();

    // The driver refuses a second answer of a request, so every answer call succeeded once.
    for (const auto& call : callsWith(DriverCode::AnswerRequest))
        EXPECT_TRUE(call.succeeded);
    EXPECT_EQ(driver().heldRequestCount(), 0u);    // nothing fetched is left unanswered
    EXPECT_GT(driver().waitingRequestCount(), 0u); // switched off midway: some never fetched
    std::size_t answered = 0;
    std::size_t flushed = 0;
    for (std::size_t i = 0; i < held.size(); ++i) {
        const auto answer = held[i]->answer();
        if (!answer)
            continue;
        ++answered;
        SCOPED_TRACE(testing::Message() << "port " << i);
        if (i % 2 == 0) { // decided on the worker
            EXPECT_EQ(answer->answeredDirectly, 1);
            EXPECT_EQ(answer->status, STATUS_SUCCESS);
        } else if (answer->answeredDirectly == 0) { // allowed by the user
            EXPECT_EQ(answer->status, STATUS_SUCCESS);
        } else { // flushed, or handed over during the switch-off: refused as it stood
            EXPECT_EQ(answer->status, STATUS_ACCESS_DENIED);
            ++flushed;
        }
    }
    EXPECT_EQ(answered + driver().waitingRequestCount(), static_cast<std::size_t>(kRequests));
    EXPECT_GE(answered, static_cast<std::size_t>(kSwitchOffAfter));
    EXPECT_GT(flushed, 0u);
}

} // namespace
