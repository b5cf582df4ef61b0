#include "StandInFixture.h"

#include "Platform/os/Kernel.h"

#include <cstring>

using namespace vrx::vrxfw;
using vrx::os::Handle;

namespace {

FilterRecord blockAllReceived() {
    FilterRecord record;
    record.etherType = 0x0008; // bytes 08 00
    return record;
}

} // namespace

TEST_F(StandInTest, BothDevicePathsOpenTheSameDriver) {
    ASSERT_NE(device, vrx::os::kInvalidHandle);
    const Handle other =
        vrx::os::createFile(kDevicePath9x, vrx::os::kGenericRead, 0, vrx::os::kOpenExisting, 0);
    ASSERT_NE(other, vrx::os::kInvalidHandle);
    std::uint32_t returned = 0;
    EXPECT_TRUE(
        vrx::os::deviceIoControl(other, code::kActivate, nullptr, 4, nullptr, 4, &returned));
    EXPECT_TRUE(driver().active());
    vrx::os::closeHandle(other);
}

TEST_F(StandInTest, VersionIsWrittenIntoTheFourByteWord) {
    std::uint32_t version = 0xFFFFFFFF;
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kGetVersion, &version, 4, &version, 4, returned));
    EXPECT_EQ(version, 0x02000406u);
    EXPECT_EQ(returned, 4u);

    driver().setVersion(0x02000405);
    ASSERT_TRUE(call(code::kGetVersion, &version, 4, &version, 4, returned));
    EXPECT_EQ(version, 0x02000405u);

    EXPECT_FALSE(call(code::kGetVersion, nullptr, 0, &version, 2, returned));
    EXPECT_EQ(vrx::os::lastError(), vrx::os::error::kInsufficientBuffer);
}

TEST_F(StandInTest, SwitchingCodesChangeTheFlagsWithoutPayload) {
    EXPECT_FALSE(driver().active());
    EXPECT_FALSE(driver().suspended());
    EXPECT_TRUE(call(code::kSuspendFiltering));
    EXPECT_TRUE(call(code::kActivate));
    EXPECT_TRUE(driver().active());
    EXPECT_TRUE(driver().suspended());
    EXPECT_TRUE(call(code::kResumeFiltering));
    EXPECT_FALSE(driver().suspended());
    EXPECT_TRUE(call(code::kDeactivate));
    EXPECT_FALSE(driver().active());
}

TEST_F(StandInTest, UnknownCodeIsRefused) {
    EXPECT_FALSE(call(0x71060418));
    EXPECT_EQ(vrx::os::lastError(), kErrorInvalidFunction);
}

TEST_F(StandInTest, FilterTableOfUpToAThousandRecordsIsLoadedInOrder) {
    std::vector<FilterRecord> table(1000);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i].localPort = static_cast<std::uint16_t>(i);
    const auto length = static_cast<std::uint32_t>(table.size() * sizeof(FilterRecord));
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kLoadFilters, table.data(), length, table.data(), length, returned));
    const auto loaded = driver().filterTable();
    ASSERT_EQ(loaded.size(), 1000u);
    EXPECT_EQ(loaded[0].localPort, 0);
    EXPECT_EQ(loaded[999].localPort, 999);

    // An empty table is a table too: it replaces the one before.
    ASSERT_TRUE(call(code::kLoadFilters, nullptr, 0, nullptr, 0, returned));
    EXPECT_TRUE(driver().tableLoaded());
    EXPECT_TRUE(driver().filterTable().empty());
}

TEST_F(StandInTest, OversizedOrPartialTablesAreRefusedAndTheOldTableStays) {
    const FilterRecord one = blockAllReceived();
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kLoadFilters, &one, 34, nullptr, 0, returned));

    std::vector<FilterRecord> big(1001);
    const auto length = static_cast<std::uint32_t>(big.size() * sizeof(FilterRecord));
    EXPECT_FALSE(call(code::kLoadFilters, big.data(), length, big.data(), length, returned));
    EXPECT_EQ(vrx::os::lastError(), vrx::os::error::kInvalidParameter);
    EXPECT_FALSE(call(code::kLoadFilters, big.data(), 35, nullptr, 0, returned));
    EXPECT_EQ(driver().filterTable().size(), 1u);
}

TEST_F(StandInTest, LogIsReadAtMostFiftyRecordsAtATime) {
    FilterRecord logAll = blockAllReceived();
    logAll.direction = 2;
    logAll.action = 1;
    logAll.alertType = 0x0D;
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kLoadFilters, &logAll, 34, nullptr, 0, returned));
    ASSERT_TRUE(call(code::kActivate));
    for (int i = 0; i < 60; ++i) {
        Packet packet;
        packet.localPort = static_cast<std::uint16_t>(i);
        packet.length = 10;
        EXPECT_EQ(driver().presentPacket(packet), PacketVerdict::Passed);
    }

    std::vector<std::uint8_t> buffer(1700);
    ASSERT_TRUE(call(code::kReadLog, nullptr, 0, buffer.data(), 1700, returned));
    EXPECT_EQ(returned, 1700u);
    LogRecord first;
    std::memcpy(&first, buffer.data(), 34);
    EXPECT_EQ(first.localPort, 0);
    EXPECT_EQ(first.alertType, 0x0D);
    EXPECT_EQ(first.action, 1);

    ASSERT_TRUE(call(code::kReadLog, nullptr, 0, buffer.data(), 1700, returned));
    EXPECT_EQ(returned, 340u);
    std::memcpy(&first, buffer.data(), 34);
    EXPECT_EQ(first.localPort, 50);

    ASSERT_TRUE(call(code::kReadLog, nullptr, 0, buffer.data(), 1700, returned));
    EXPECT_EQ(returned, 0u);
}

TEST_F(StandInTest, StatisticsAreFourWrappingCounters) {
    driver().advanceCounters(0xFFFFFFF0u, 1, 2, 3);
    driver().advanceCounters(0x20, 1, 1, 1);
    Statistics stats;
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kReadStatistics, nullptr, 0, &stats, 16, returned));
    EXPECT_EQ(returned, 16u);
    EXPECT_EQ(stats.counter[0], 0x10u);
    EXPECT_EQ(stats.counter[1], 2u);
    EXPECT_EQ(stats.counter[2], 3u);
    EXPECT_EQ(stats.counter[3], 4u);
}

TEST_F(StandInTest, EndpointsAreReadInOrderUpToTheBuffer) {
    TdiStateRecord a;
    a.processId = 10;
    a.protocol = 6;
    a.localPort = 80;
    a.endpointKind = kEndpointListening;
    a.tcpState = static_cast<std::uint32_t>(TcpState::Listening);
    TdiStateRecord b = a;
    b.processId = 11;
    const auto idA = driver().addEndpoint(a);
    driver().addEndpoint(b);

    std::vector<TdiStateRecord> buffer(1000);
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kReadTdiStates, nullptr, 0, buffer.data(), 56000, returned));
    ASSERT_EQ(returned, 112u);
    EXPECT_EQ(buffer[0].processId, 10u);
    EXPECT_EQ(buffer[1].processId, 11u);

    a.tcpState = static_cast<std::uint32_t>(TcpState::ConnectedIn);
    EXPECT_TRUE(driver().changeEndpoint(idA, a));
    ASSERT_TRUE(call(code::kReadTdiStates, nullptr, 0, buffer.data(), 56000, returned));
    EXPECT_EQ(buffer[0].tcpState, 3u);

    EXPECT_TRUE(driver().removeEndpoint(idA));
    EXPECT_FALSE(driver().removeEndpoint(idA));
    ASSERT_TRUE(call(code::kReadTdiStates, nullptr, 0, buffer.data(), 100, returned));
    EXPECT_EQ(returned, 56u); // only whole records that fit
    EXPECT_EQ(buffer[0].processId, 11u);
}

TEST_F(StandInTest, NoMoreThanAThousandEndpointsAreRead) {
    for (int i = 0; i < 1005; ++i)
        driver().addEndpoint(TdiStateRecord{});
    std::vector<TdiStateRecord> buffer(1100);
    std::uint32_t returned = 0;
    ASSERT_TRUE(call(code::kReadTdiStates, nullptr, 0, buffer.data(),
                     static_cast<std::uint32_t>(buffer.size() * 56), returned));
    EXPECT_EQ(returned, 56000u);
}
