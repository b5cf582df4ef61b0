#include "Platform/vrxfw/Driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vrx::vrxfw;

namespace {

constexpr std::uint32_t ip(int a, int b, int c, int d) {
    return static_cast<std::uint32_t>(a | (b << 8) | (c << 16) | (d << 24)); // network order
}

// A record as the filter compiler writes it: IPv4, the given protocol, direction and action.
FilterRecord rule(std::uint8_t protocol, std::uint8_t direction, std::uint8_t action,
                  std::uint8_t alert = 0) {
    FilterRecord r;
    r.etherType = 0x0008;
    r.protocol = protocol;
    r.direction = direction;
    r.action = action;
    r.alertType = alert;
    return r;
}

FilterRecord withPorts(FilterRecord r, std::uint16_t local, std::uint16_t local2,
                       std::uint16_t remote = 0, std::uint16_t remote2 = 0) {
    r.localPort = local;
    r.localPort2 = local2;
    r.remotePort = remote;
    r.remotePort2 = remote2;
    return r;
}

FilterRecord withAddress(FilterRecord r, std::uint32_t address, std::uint32_t mask) {
    r.remoteAddress = address;
    r.remoteMask = mask;
    return r;
}

FilterRecord withFlags(FilterRecord r, std::uint8_t flags) {
    r.tcpFlags = flags;
    return r;
}

FilterRecord icmp(std::uint8_t type, std::uint8_t code, std::uint8_t action) {
    FilterRecord r = rule(kProtocolIcmp, 2, action);
    r.localPort = static_cast<std::uint16_t>(type | (code << 8));
    return r;
}

Packet tcpIn(std::uint16_t local, std::uint16_t remote = 40000, std::uint8_t flags = 0x02,
             std::uint32_t from = ip(10, 0, 0, 2)) {
    Packet p;
    p.protocol = kProtocolTcp;
    p.direction = PacketDirection::Received;
    p.localPort = local;
    p.remotePort = remote;
    p.tcpFlags = flags;
    p.remoteAddress = from;
    p.length = 60;
    return p;
}

Packet sent(Packet p) {
    p.direction = PacketDirection::Sent;
    return p;
}

Packet udpIn(std::uint16_t local) {
    Packet p = tcpIn(local);
    p.protocol = kProtocolUdp;
    p.tcpFlags = 0;
    return p;
}

Packet icmpIn(std::uint8_t type, std::uint8_t code) {
    Packet p;
    p.protocol = kProtocolIcmp;
    p.icmpType = type;
    p.icmpCode = code;
    p.remoteAddress = ip(10, 0, 0, 2);
    return p;
}

enum class Setup { Active, Inactive, Suspended, NoTable };

struct Case {
    std::string name;
    std::vector<FilterRecord> table;
    Packet packet;
    PacketVerdict verdict;
    std::size_t logged = 0;
    Setup setup = Setup::Active;
};

const FilterRecord kBlockTcpIn = rule(kProtocolTcp, 0, kActionBlock);
const FilterRecord kPassAll = rule(0, 2, kActionPass);

std::vector<Case> cases() {
    return {
        {"NoRecordDecidesSoThePacketPasses",
         {rule(kProtocolUdp, 2, 0)},
         tcpIn(80),
         PacketVerdict::Passed},
        {"FirstMatchingRecordDecides", {kPassAll, kBlockTcpIn}, tcpIn(80), PacketVerdict::Passed},
        {"BlockBeforePass", {kBlockTcpIn, kPassAll}, tcpIn(80), PacketVerdict::Blocked},
        {"GoOnActionLogsAndContinues",
         {rule(0, 2, 2, 0x01), kBlockTcpIn},
         tcpIn(80),
         PacketVerdict::Blocked,
         1},
        {"GoOnWithoutLogBitLogsNothing",
         {rule(0, 2, 2, 0x0C), kBlockTcpIn},
         tcpIn(80),
         PacketVerdict::Blocked,
         0},
        {"DecidingRecordWithLogBitLogs",
         {rule(0, 2, 0, 0x09)},
         tcpIn(80),
         PacketVerdict::Blocked,
         1},
        {"InactiveDriverPassesEverything",
         {kBlockTcpIn},
         tcpIn(80),
         PacketVerdict::Passed,
         0,
         Setup::Inactive},
        {"SuspendedFilteringPassesEverything",
         {kBlockTcpIn},
         tcpIn(80),
         PacketVerdict::Passed,
         0,
         Setup::Suspended},
        {"WithoutATableEverythingPasses", {}, tcpIn(80), PacketVerdict::Passed, 0, Setup::NoTable},
        {"DisconnectRecordBlocksReceivedIp", {rule(0, 0, 0)}, udpIn(53), PacketVerdict::Blocked},
        {"DisconnectRecordLetsSentPass", {rule(0, 0, 0)}, sent(tcpIn(80)), PacketVerdict::Passed},
        {"OtherEtherTypeDoesNotMatch",
         {rule(0, 2, 0)},
         [] {
             Packet p = tcpIn(80);
             p.etherType = 0x0806;
             return p;
         }(),
         PacketVerdict::Passed},
        {"ProtocolMustBeEqual", {rule(kProtocolUdp, 2, 0)}, udpIn(53), PacketVerdict::Blocked},
        {"DirectionSentOnly", {rule(kProtocolTcp, 1, 0)}, tcpIn(80), PacketVerdict::Passed},
        {"DirectionSentMatchesSent",
         {rule(kProtocolTcp, 1, 0)},
         sent(tcpIn(80)),
         PacketVerdict::Blocked},
        {"DirectionBoth", {rule(kProtocolTcp, 2, 0)}, sent(tcpIn(80)), PacketVerdict::Blocked},
        {"UnknownDirectionMatchesNothing",
         {rule(kProtocolTcp, 3, 0)},
         tcpIn(80),
         PacketVerdict::Passed},
        {"MaskedAddressInNetwork",
         {withAddress(kBlockTcpIn, ip(10, 0, 0, 0), ip(255, 0, 0, 0))},
         tcpIn(80),
         PacketVerdict::Blocked},
        {"MaskedAddressOutsideNetwork",
         {withAddress(kBlockTcpIn, ip(192, 168, 0, 0), ip(255, 255, 255, 0))},
         tcpIn(80),
         PacketVerdict::Passed},
        {"SingleAddress",
         {withAddress(kBlockTcpIn, ip(10, 0, 0, 2), 0xFFFFFFFF)},
         tcpIn(80),
         PacketVerdict::Blocked},
        {"OtherSingleAddress",
         {withAddress(kBlockTcpIn, ip(10, 0, 0, 3), 0xFFFFFFFF)},
         tcpIn(80),
         PacketVerdict::Passed},
        {"FirstPortZeroIsNoCondition",
         {withPorts(kBlockTcpIn, 0, 90)},
         tcpIn(80),
         PacketVerdict::Blocked},
        {"SecondPortZeroIsOnePort",
         {withPorts(kBlockTcpIn, 80, 0)},
         tcpIn(80),
         PacketVerdict::Blocked},
        {"SecondPortZeroOtherPort",
         {withPorts(kBlockTcpIn, 80, 0)},
         tcpIn(81),
         PacketVerdict::Passed},
        {"RangeIncludesItsEnds",
         {withPorts(kBlockTcpIn, 1000, 2000)},
         tcpIn(2000),
         PacketVerdict::Blocked},
        {"RangeExcludesBeyond",
         {withPorts(kBlockTcpIn, 1000, 2000)},
         tcpIn(2001),
         PacketVerdict::Passed},
        {"RemoteRange",
         {withPorts(kBlockTcpIn, 0, 0, 40000, 40010)},
         tcpIn(80, 40005),
         PacketVerdict::Blocked},
        {"RemoteSinglePortMismatch",
         {withPorts(kBlockTcpIn, 0, 0, 25, 0)},
         tcpIn(80, 40005),
         PacketVerdict::Passed},
        {"UdpPortsToo",
         {withPorts(rule(kProtocolUdp, 0, 0), 53, 0)},
         udpIn(53),
         PacketVerdict::Blocked},
        {"AllowedListeningPortsWithoutAnyAllowed",
         {withPorts(rule(kProtocolTcp, 0, 1), 65535, 65535), kBlockTcpIn},
         tcpIn(8080),
         PacketVerdict::Blocked},
        {"TcpFlagsAllRequired",
         {withFlags(kBlockTcpIn, 0x12)},
         tcpIn(80, 1, 0x02),
         PacketVerdict::Passed},
        {"TcpFlagsCarried",
         {withFlags(kBlockTcpIn, 0x02)},
         tcpIn(80, 1, 0x12),
         PacketVerdict::Blocked},
        {"IcmpTypeEqual", {icmp(8, 255, 0)}, icmpIn(8, 0), PacketVerdict::Blocked},
        {"IcmpTypeDiffers", {icmp(8, 255, 0)}, icmpIn(0, 0), PacketVerdict::Passed},
        {"IcmpAnyTypeCodeEqual", {icmp(255, 3, 0)}, icmpIn(3, 3), PacketVerdict::Blocked},
        {"IcmpAnyTypeCodeDiffers", {icmp(255, 3, 0)}, icmpIn(3, 1), PacketVerdict::Passed},
        {"ProtocolZeroMatchesIcmp", {rule(0, 0, 0)}, icmpIn(8, 0), PacketVerdict::Blocked},
    };
}

class PacketJudging : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(PacketJudging, Judges) {
    const Case& c = GetParam();
    Driver driver;
    std::uint32_t returned = 0;
    if (c.setup != Setup::NoTable) {
        ASSERT_TRUE(driver.control(code::kLoadFilters, c.table.data(),
                                   static_cast<std::uint32_t>(c.table.size() * 34), nullptr, 0,
                                   returned));
    }
    if (c.setup != Setup::Inactive) {
        ASSERT_TRUE(driver.control(code::kActivate, nullptr, 4, nullptr, 4, returned));
    }
    if (c.setup == Setup::Suspended) {
        ASSERT_TRUE(driver.control(code::kSuspendFiltering, nullptr, 4, nullptr, 4, returned));
    }

    EXPECT_EQ(driver.presentPacket(c.packet), c.verdict);
    EXPECT_EQ(driver.pendingLogCount(), c.logged);

    // Counted by direction and verdict.
    const int index = (c.packet.direction == PacketDirection::Received ? 0 : 1) +
                      (c.verdict == PacketVerdict::Blocked ? 2 : 0);
    const Statistics stats = driver.statistics();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(stats.counter[i], i == index ? c.packet.length : 0u) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, PacketJudging, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

TEST(PacketJudging, AllowedListeningPortsAreThoseOfAllowedRequests) {
    AllowedPorts allowed;
    allowed.tcp.insert(8080);
    const FilterRecord passListening = withPorts(rule(kProtocolTcp, 0, 1), 65535, 65535);
    EXPECT_TRUE(recordMatches(passListening, tcpIn(8080), allowed));
    EXPECT_FALSE(recordMatches(passListening, tcpIn(8081), allowed));
    FilterRecord udp = passListening;
    udp.protocol = kProtocolUdp;
    EXPECT_FALSE(recordMatches(udp, udpIn(8080), allowed)); // allowed for TCP only
}

TEST(PacketJudging, LogRecordCarriesThePacketAndTheRecordsActionAndAlertBits) {
    Driver driver;
    FilterRecord anyPing = icmp(255, 255, 0);
    anyPing.alertType = 0x05;
    FilterRecord table[2] = {rule(kProtocolTcp, 2, 2, 0x0D), anyPing};
    std::uint32_t returned = 0;
    ASSERT_TRUE(driver.control(code::kLoadFilters, table, 68, nullptr, 0, returned));
    ASSERT_TRUE(driver.control(code::kActivate, nullptr, 4, nullptr, 4, returned));
    driver.presentPacket(sent(tcpIn(1025, 443, 0x18, ip(192, 168, 1, 9))));
    driver.presentPacket(icmpIn(8, 0));

    LogRecord log[2];
    ASSERT_TRUE(driver.control(code::kReadLog, nullptr, 0, log, sizeof log, returned));
    ASSERT_EQ(returned, 68u);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(log);
    EXPECT_EQ(bytes[0], 0x08);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[4], 6);
    EXPECT_EQ(std::memcmp(bytes + 9, "\xC0\xA8\x01\x09", 4), 0);
    EXPECT_EQ(bytes[13], 0x01); // 1025 little-endian
    EXPECT_EQ(bytes[14], 0x04);
    EXPECT_EQ(bytes[15], 0xBB); // 443
    EXPECT_EQ(bytes[16], 0x01);
    EXPECT_EQ(bytes[17], 0x18);
    EXPECT_EQ(bytes[18], 1);
    EXPECT_EQ(bytes[19], 2);
    EXPECT_EQ(bytes[20], 0x0D);

    const auto* ping = bytes + 34;
    EXPECT_EQ(ping[4], 1);
    EXPECT_EQ(ping[13], 8);
    EXPECT_EQ(ping[14], 0);
    EXPECT_EQ(ping[18], 0);
    EXPECT_EQ(ping[19], 0);
    EXPECT_EQ(ping[20], 0x05);
}

TEST(PacketJudging, LogQueueKeepsTheNewestRecords) {
    Driver driver;
    const FilterRecord logAll = rule(0, 2, 1, 0x01);
    std::uint32_t returned = 0;
    ASSERT_TRUE(driver.control(code::kLoadFilters, &logAll, 34, nullptr, 0, returned));
    ASSERT_TRUE(driver.control(code::kActivate, nullptr, 4, nullptr, 4, returned));
    for (std::size_t i = 0; i < Driver::kLogQueueLimit + 5; ++i)
        driver.presentPacket(tcpIn(static_cast<std::uint16_t>(i)));
    EXPECT_EQ(driver.pendingLogCount(), Driver::kLogQueueLimit);
    LogRecord first;
    ASSERT_TRUE(driver.control(code::kReadLog, nullptr, 0, &first, 34, returned));
    EXPECT_EQ(first.localPort, 5);
}
