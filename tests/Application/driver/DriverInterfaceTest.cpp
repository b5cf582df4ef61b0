#include "Application/driver/DriverInterface.h"

#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"
#include "tests/support/FakeRegistry.h"
#include "tests/support/FakeServiceManager.h"
#include "tests/support/FakeSystemInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using vrx::vrxfw::Transcript;
using Call = Transcript::Call;

namespace {

// The driver interface against the stand-in, on a platform whose version the test chooses
// (Windows XP unless changed before create()).
class DriverInterfaceTest : public ::testing::Test {
protected:
    TDriverInterface& create() {
        object = std::make_unique<TDriverInterface>();
        return *object;
    }
    vrx::vrxfw::Driver& driver() { return standIn.driver(); }
    std::vector<Call> calls() { return standIn.transcript().calls(); }
    void clearCalls() { standIn.transcript().clear(); }
    void tick() { object->PollTimer()->OnTimer(); }

    static std::vector<std::uint32_t> codesOf(const std::vector<Call>& list) {
        std::vector<std::uint32_t> codes;
        for (const Call& call : list)
            codes.push_back(call.code);
        return codes;
    }

    // A switching call: no buffers, declared lengths 4.
    static void expectSwitch(const Call& call, std::uint32_t code) {
        EXPECT_EQ(call.code, code);
        EXPECT_FALSE(call.inPresent);
        EXPECT_EQ(call.inLength, 4u);
        EXPECT_FALSE(call.outPresent);
        EXPECT_EQ(call.outLength, 4u);
    }

    vrx::test::FakeSystemInfo info;
    vrx::os::ScopedService<vrx::os::SystemInfo> infoGuard{&vrx::os::Services::systemInfo, &info};
    vrx::vrxfw::StandIn standIn;
    std::unique_ptr<TDriverInterface> object;
};

std::vector<TFilterRecord> tableOf(std::size_t count) {
    std::vector<TFilterRecord> table(count);
    for (std::size_t i = 0; i < count; ++i) {
        table[i].EtherType = 0x0008;
        table[i].LocalPort = static_cast<std::uint16_t>(i);
    }
    return table;
}

} // namespace

TEST_F(DriverInterfaceTest, ConstructionOpensTheDeviceReadsTheVersionAndStartsThePoll) {
    TDriverInterface& di = create();
    ASSERT_TRUE(di.Opened());
    EXPECT_NE(di.DeviceHandle(), vrx::os::kInvalidHandle);
    EXPECT_EQ(di.DriverVersion(), 0x02000406u);
    EXPECT_FALSE(di.OnLog);
    ASSERT_NE(di.PollTimer(), nullptr);
    EXPECT_TRUE(di.PollTimer()->Enabled());
    EXPECT_EQ(di.PollTimer()->Interval(), 500u);
    EXPECT_FALSE(di.IsWin9x());
    EXPECT_FALSE(di.IsOtherNT());

    const auto list = calls();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].code, 0x71060000u);
    EXPECT_EQ(list[0].in, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(list[0].outLength, 4u);
    EXPECT_EQ(list[0].out, (std::vector<std::uint8_t>{0x06, 0x04, 0x00, 0x02}));
}

TEST_F(DriverInterfaceTest, AnyOtherVersionIsReportedAsFound) {
    for (const std::uint32_t version : {0x02000405u, 0x02000407u, 0u, 0x01000406u}) {
        driver().setVersion(version);
        EXPECT_EQ(create().DriverVersion(), version);
    }
}

TEST_F(DriverInterfaceTest, WithoutADeviceNothingIsOpenedOrSent) {
    vrx::vrxfw::unregisterStandIn();
    TDriverInterface& di = create();
    EXPECT_FALSE(di.Opened());
    EXPECT_EQ(di.PollTimer(), nullptr);
    EXPECT_EQ(di.DeviceHandle(), vrx::os::kInvalidHandle);

    auto table = tableOf(1);
    EXPECT_EQ(di.SendFilters(table.data(), 1), vrx::os::error::kFileNotFound);
    EXPECT_EQ(di.ReadLog(), vrx::os::error::kFileNotFound);
    EXPECT_EQ(di.ReadStatistics(), vrx::os::error::kFileNotFound);
    EXPECT_EQ(di.ReadTDIState(), vrx::os::error::kFileNotFound);
    di.SetDriverActive(true);
    di.SetFilterEnabled(true);
    EXPECT_TRUE(calls().empty());
}

TEST_F(DriverInterfaceTest, Windows9xOpensTheVxdName) {
    vrx::os::unregisterDevice(vrx::vrxfw::kDevicePath); // only the 9x name is served now
    info.platformId = vrx::os::kPlatformWindows9x;
    info.majorVersion = 4;
    EXPECT_TRUE(create().Opened());
    EXPECT_TRUE(object->IsWin9x());

    info.platformId = vrx::os::kPlatformNT;
    info.majorVersion = 5;
    EXPECT_FALSE(create().Opened());
}

TEST_F(DriverInterfaceTest, AFailedVersionQueryLeavesBothPlatformFlagsClear) {
    info.failVersion = true;
    TDriverInterface& di = create();
    EXPECT_FALSE(di.IsWin9x());
    EXPECT_FALSE(di.IsOtherNT());
    EXPECT_TRUE(di.Opened());
}

TEST_F(DriverInterfaceTest, AThousandRecordsAreSentBracketedBySuspendAndResume) {
    TDriverInterface& di = create();
    clearCalls();
    auto table = tableOf(1000);
    EXPECT_EQ(di.SendFilters(table.data(), 1000), 0u);

    const auto list = calls();
    ASSERT_EQ(list.size(), 3u);
    expectSwitch(list[0], 0x71060408);
    EXPECT_EQ(list[1].code, 0x71060400u);
    EXPECT_EQ(list[1].inLength, 34000u);
    EXPECT_EQ(list[1].outLength, 34000u);
    ASSERT_EQ(list[1].in.size(), 34000u);
    EXPECT_EQ(std::memcmp(list[1].in.data(), table.data(), 34000), 0);
    expectSwitch(list[2], 0x71060404);
    EXPECT_EQ(driver().filterTable().size(), 1000u);
    EXPECT_FALSE(driver().suspended());
}

TEST_F(DriverInterfaceTest, MoreThanAThousandRecordsSendNothingAndLeaveFilteringAsItWas) {
    TDriverInterface& di = create();
    clearCalls();
    auto table = tableOf(1001);
    EXPECT_EQ(di.SendFilters(table.data(), 1001), 0xFFFFFFu);
    EXPECT_EQ(di.SendFilters(table.data(), -1), 0xFFFFFFu);
    EXPECT_TRUE(calls().empty());
    EXPECT_FALSE(driver().suspended());
    EXPECT_FALSE(driver().tableLoaded());
}

TEST_F(DriverInterfaceTest, TheDisconnectTableIsThirtyFourBytesBeginningWith0800) {
    TDriverInterface& di = create();
    clearCalls();
    TFilterRecord cut;
    std::memset(static_cast<void*>(&cut), 0, sizeof cut);
    reinterpret_cast<std::uint8_t*>(&cut)[0] = 0x08;
    EXPECT_EQ(di.SendFilters(&cut, 1), 0u);
    const auto list = calls();
    ASSERT_EQ(list.size(), 3u);
    std::vector<std::uint8_t> expected(34, 0);
    expected[0] = 0x08;
    EXPECT_EQ(list[1].in, expected);

    // An empty table travels with length 0.
    clearCalls();
    EXPECT_EQ(di.SendFilters(nullptr, 0), 0u);
    ASSERT_EQ(calls().size(), 3u);
    EXPECT_EQ(calls()[1].inLength, 0u);
    EXPECT_TRUE(driver().filterTable().empty());
}

TEST_F(DriverInterfaceTest, ActivationAndShutdownSequences) {
    TDriverInterface& di = create();
    clearCalls();
    di.SetDriverActive(true);
    auto list = calls();
    ASSERT_EQ(list.size(), 2u);
    expectSwitch(list[0], 0x71060408);
    expectSwitch(list[1], 0x71060004);
    EXPECT_TRUE(driver().active());
    EXPECT_TRUE(di.PollTimer()->Enabled());

    clearCalls();
    di.SetDriverActive(false);
    di.SetFilterEnabled(false);
    list = calls();
    ASSERT_EQ(list.size(), 2u);
    expectSwitch(list[0], 0x71060008);
    expectSwitch(list[1], 0x71060408);
    EXPECT_FALSE(driver().active());
    EXPECT_FALSE(di.PollTimer()->Enabled());

    clearCalls();
    di.SetFilterEnabled(true);
    ASSERT_EQ(calls().size(), 1u);
    expectSwitch(calls()[0], 0x71060404);
}

TEST_F(DriverInterfaceTest, ATickWithoutHandlerReadsStatisticsOnly) {
    create();
    clearCalls();
    tick();
    const auto list = calls();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].code, 0x71060410u);
    EXPECT_FALSE(list[0].inPresent);
    EXPECT_EQ(list[0].inLength, 0u);
    EXPECT_EQ(list[0].outLength, 16u);
}

TEST_F(DriverInterfaceTest, RatesArePerSecondAndSurviveCounterWrapAround) {
    TDriverInterface& di = create();
    driver().advanceCounters(0xFFFFFE00u, 0xFFFFFFFFu, 7, 0);
    tick(); // the first reading is the base
    EXPECT_EQ(di.Rate1(), 0u);
    EXPECT_EQ(di.Rate2(), 0u);

    driver().advanceCounters(1000, 100, 500, 50); // c0 and c1 wrap past 2^32
    tick();
    EXPECT_EQ(di.Rate1(), 3000u);
    EXPECT_EQ(di.Rate2(), 300u);

    tick(); // nothing new
    EXPECT_EQ(di.Rate1(), 0u);
    EXPECT_EQ(di.Rate2(), 0u);
}

TEST_F(DriverInterfaceTest, ATickHandsTheLogRecordsToOnLogAlsoWhenThereAreNone) {
    TDriverInterface& di = create();
    std::vector<std::int32_t> counts;
    std::vector<std::uint16_t> firstPorts;
    di.OnLog = [&](const std::uint8_t* records, std::int32_t count) {
        counts.push_back(count);
        if (count > 0) {
            TPacketLogRecord first;
            std::memcpy(&first, records, sizeof first);
            firstPorts.push_back(first.LocalPort);
        }
    };
    TFilterRecord logAll;
    logAll.EtherType = 0x0008;
    logAll.Direction = 2;
    logAll.Action = 1;
    logAll.AlertType = 0x01;
    di.SetDriverActive(true); // suspends filtering; loading the table resumes it
    ASSERT_EQ(di.SendFilters(&logAll, 1), 0u);
    for (int i = 0; i < 52; ++i) {
        vrx::vrxfw::Packet packet;
        packet.localPort = static_cast<std::uint16_t>(100 + i);
        driver().presentPacket(packet);
    }

    clearCalls();
    tick();
    ASSERT_EQ(codesOf(calls()), (std::vector<std::uint32_t>{0x71060410, 0x7106040C}));
    EXPECT_FALSE(calls()[1].inPresent);
    EXPECT_EQ(calls()[1].inLength, 0u);
    EXPECT_EQ(calls()[1].outLength, 1700u);
    tick();
    tick();
    EXPECT_EQ(counts, (std::vector<std::int32_t>{50, 2, 0}));
    EXPECT_EQ(firstPorts, (std::vector<std::uint16_t>{100, 150}));
    EXPECT_EQ(di.LogCount(), 0u);
}

TEST_F(DriverInterfaceTest, ALostDeviceStopsThePollForGood) {
    TDriverInterface& di = create();
    int handed = 0;
    di.OnLog = [&](const std::uint8_t*, std::int32_t) { ++handed; };
    tick();
    EXPECT_EQ(handed, 1);

    di.CloseDevice();
    vrx::vrxfw::unregisterStandIn();
    tick();
    EXPECT_EQ(handed, 1);
    EXPECT_FALSE(di.PollTimer()->Enabled());

    // The device coming back does not restart the poll; operations reopen it as they run.
    vrx::vrxfw::registerStandIn(std::make_shared<vrx::vrxfw::Device>(
        std::shared_ptr<vrx::vrxfw::Driver>(&driver(), [](auto*) {})));
    EXPECT_EQ(di.ReadStatistics(), 0u);
    EXPECT_NE(di.DeviceHandle(), vrx::os::kInvalidHandle);
    EXPECT_FALSE(di.PollTimer()->Enabled());
}

TEST_F(DriverInterfaceTest, TDIStatesAreCountedFromTheBytesReturnedAndTheRestIsZero) {
    TDriverInterface& di = create();
    std::vector<vrx::vrxfw::Driver::EndpointId> ids;
    for (std::uint32_t pid : {10u, 11u, 12u}) {
        vrx::vrxfw::TdiStateRecord record;
        record.processId = pid;
        record.protocol = 6;
        ids.push_back(driver().addEndpoint(record));
    }
    ASSERT_EQ(di.ReadTDIState(), 0u);
    EXPECT_EQ(di.TDIStateCount(), 3u);

    driver().removeEndpoint(ids[0]);
    clearCalls();
    ASSERT_EQ(di.ReadTDIState(), 0u);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].code, 0x71060414u);
    EXPECT_EQ(calls()[0].outLength, 56000u);
    EXPECT_EQ(calls()[0].bytesReturned, 112u);
    EXPECT_EQ(di.TDIStateCount(), 2u);
    TTDIStateRecord second;
    std::memcpy(&second, di.TDIStates() + 56, sizeof second);
    EXPECT_EQ(second.ProcessId, 12u);
    EXPECT_EQ(second.Protocol, 6u);
    const std::uint8_t* rest = di.TDIStates() + 112;
    EXPECT_TRUE(std::all_of(rest, di.TDIStates() + 56000, [](std::uint8_t b) { return b == 0; }));

    // Unreachable: the last table stays.
    di.CloseDevice();
    vrx::vrxfw::unregisterStandIn();
    EXPECT_NE(di.ReadTDIState(), 0u);
    EXPECT_EQ(di.TDIStateCount(), 2u);
}

namespace {

// The registry of the machine, counting the keys opened, so a test can tell that none was.
class CountingRegistry final : public vrx::os::Registry {
public:
    std::int32_t openKey(vrx::os::Handle root, const std::string& subKey, std::uint32_t access,
                         vrx::os::Handle& key) override {
        ++opened;
        return keys.openKey(root, subKey, access, key);
    }
    std::int32_t queryValue(vrx::os::Handle key, const std::string& name,
                            vrx::os::RegistryValue& value) override {
        return keys.queryValue(key, name, value);
    }
    std::int32_t setValue(vrx::os::Handle key, const std::string& name,
                          const vrx::os::RegistryValue& value) override {
        return keys.setValue(key, name, value);
    }
    std::int32_t deleteValue(vrx::os::Handle key, const std::string& name) override {
        return keys.deleteValue(key, name);
    }
    std::int32_t closeKey(vrx::os::Handle key) override { return keys.closeKey(key); }

    vrx::os::FakeRegistry keys;
    int opened = 0;
};

constexpr const char* kTcpip = "SYSTEM\\CurrentControlSet\\Services\\Tcpip";

// The driver interface on a platform with a service manager and a registry in memory.
class DriverServiceTest : public DriverInterfaceTest {
protected:
    using ScmCall = vrx::os::FakeServiceManager::Call;

    int installs() const {
        int count = 0;
        for (const auto& record : scm.calls())
            count += record.call == ScmCall::OpenManager;
        return count;
    }
    const vrx::os::FakeServiceManager::Record* created() const {
        for (const auto& record : scm.calls())
            if (record.call == ScmCall::CreateService)
                return &record;
        return nullptr;
    }

    CountingRegistry registry;
    vrx::os::FakeServiceManager scm;
    vrx::os::ScopedService<vrx::os::Registry> registryGuard{&vrx::os::Services::registry,
                                                            &registry};
    vrx::os::ScopedService<vrx::os::ServiceManager> scmGuard{&vrx::os::Services::serviceManager,
                                                             &scm};
};

} // namespace

TEST_F(DriverServiceTest, OnWindows2000AndXpNoKeyIsReadAndNoServiceTouched) {
    for (const std::uint32_t minor : {0u, 1u}) {
        info.minorVersion = minor;
        EXPECT_TRUE(create().Opened());
        EXPECT_FALSE(object->IsOtherNT());
    }
    info.platformId = vrx::os::kPlatformWindows9x;
    info.majorVersion = 4;
    EXPECT_TRUE(create().Opened());
    EXPECT_EQ(registry.opened, 0);
    EXPECT_TRUE(scm.calls().empty());
}

TEST_F(DriverServiceTest, OnNt4TheServiceIsConfiguredFromTheTcpipValues) {
    info.majorVersion = 4;
    info.minorVersion = 0;
    registry.keys.putValue(vrx::os::kHkeyLocalMachine, kTcpip, "Tag",
                           vrx::os::FakeRegistry::dword(7));
    registry.keys.putValue(vrx::os::kHkeyLocalMachine, kTcpip, "Start",
                           vrx::os::FakeRegistry::dword(1));
    TDriverInterface& di = create();
    EXPECT_TRUE(di.IsOtherNT());
    EXPECT_TRUE(di.Opened());
    EXPECT_EQ(installs(), 1);
    EXPECT_EQ(registry.keys.openKeys(), 0u);
    const auto* record = created();
    ASSERT_TRUE(record && record->config);
    EXPECT_EQ(record->name, "VRXFW");
    EXPECT_EQ(record->config->tag, 7u);
    EXPECT_EQ(record->config->startType, 1u);
    EXPECT_EQ(record->config->dependencies, std::vector<std::string>{"Tcpip"});
    EXPECT_TRUE(scm.service("VRXFW")->running);

    // Once the device is open, operations do not prepare the service again.
    auto table = tableOf(1);
    EXPECT_EQ(di.SendFilters(table.data(), 1), 0u);
    EXPECT_EQ(installs(), 1);
}

TEST_F(DriverServiceTest, OnNt4WithoutTheTcpipKeyTheDefaultsStand) {
    info.majorVersion = 4;
    create();
    const auto* record = created();
    ASSERT_TRUE(record && record->config);
    EXPECT_FALSE(record->config->tag); // tag 0: none passed
    EXPECT_EQ(record->config->startType, 2u);

    // A key without the values gives the same.
    scm = vrx::os::FakeServiceManager();
    registry.keys.addKey(vrx::os::kHkeyLocalMachine, kTcpip);
    create();
    ASSERT_TRUE(created() && created()->config);
    EXPECT_FALSE(created()->config->tag);
    EXPECT_EQ(created()->config->startType, 2u);
}

TEST_F(DriverServiceTest, OnNt4EveryOpenAttemptWhileTheDeviceIsMissingPreparesTheServiceAgain) {
    info.majorVersion = 4;
    vrx::vrxfw::unregisterStandIn();
    TDriverInterface& di = create();
    EXPECT_FALSE(di.Opened());
    EXPECT_EQ(installs(), 1);
    auto table = tableOf(1);
    EXPECT_EQ(di.SendFilters(table.data(), 1), vrx::os::error::kFileNotFound);
    EXPECT_EQ(installs(), 2);
    EXPECT_NE(di.ReadStatistics(), 0u);
    EXPECT_EQ(installs(), 3);
    EXPECT_TRUE(calls().empty());
}
