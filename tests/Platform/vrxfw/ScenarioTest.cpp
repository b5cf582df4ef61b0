#include "Platform/vrxfw/ScenarioPlayer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vrx::vrxfw;
using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t ip(int a, int b, int c, int d) {
    return static_cast<std::uint32_t>(a | (b << 8) | (c << 16) | (d << 24)); // network order
}

std::vector<TdiStateRecord> endpointsOf(Driver& driver) {
    std::vector<TdiStateRecord> records(1000);
    std::uint32_t returned = 0;
    EXPECT_TRUE(driver.control(code::kReadTdiStates, nullptr, 0, records.data(), 56000, returned));
    records.resize(returned / sizeof(TdiStateRecord));
    return records;
}

} // namespace

TEST(Scenario, EventsAreReadWithTheirTimesAndArguments) {
    const Scenario s = Scenario::parse(R"(# a demonstration
0     request connect pid=1234 remote=93.184.216.34 port=80
+250  request udp-receive pid=7 port=5353 discard   # trailing comment

1000  packet in tcp remote=10.0.0.5 local=80 rport=40000 flags=SYN,ACK length=1500
1000  packet out icmp type=8 code=0
+0    endpoint web tcp pid=1234 local=80
2000  endpoint web tcp pid=1234 local=80 remote=10.0.0.5:40000 state=in sent=10 received=20
2000  endpoint dns udp pid=7 local=5353 blocked
3000  endpoint web remove
3000  counters 1 2 3 0x10
loop
)");
    ASSERT_TRUE(s.errors.empty()) << s.errors[0].line << ": " << s.errors[0].message;
    EXPECT_TRUE(s.loop);
    ASSERT_EQ(s.events.size(), 9u);
    EXPECT_EQ(s.events[1].at, 250ms);
    EXPECT_EQ(s.events[4].at, 1000ms); // "+0" after 1000
    EXPECT_EQ(s.events[5].at, 2000ms);

    const auto& connect = std::get<RequestEvent>(s.events[0].what);
    EXPECT_EQ(connect.operation, Operation::TcpConnect);
    EXPECT_EQ(connect.processId, 1234u);
    EXPECT_EQ(connect.remoteAddress, ip(93, 184, 216, 34));
    EXPECT_EQ(connect.port, 80);
    EXPECT_EQ(connect.delivery, Driver::Delivery::Answer);
    EXPECT_EQ(std::get<RequestEvent>(s.events[1].what).delivery, Driver::Delivery::Discard);

    const Packet& in = std::get<PacketEvent>(s.events[2].what).packet;
    EXPECT_EQ(in.direction, PacketDirection::Received);
    EXPECT_EQ(in.protocol, kProtocolTcp);
    EXPECT_EQ(in.remoteAddress, ip(10, 0, 0, 5));
    EXPECT_EQ(in.localPort, 80);
    EXPECT_EQ(in.remotePort, 40000);
    EXPECT_EQ(in.tcpFlags, 0x12);
    EXPECT_EQ(in.length, 1500u);
    const Packet& ping = std::get<PacketEvent>(s.events[3].what).packet;
    EXPECT_EQ(ping.protocol, kProtocolIcmp);
    EXPECT_EQ(ping.icmpType, 8);
    EXPECT_EQ(ping.length, 60u);

    const TdiStateRecord& listening = std::get<EndpointEvent>(s.events[4].what).record;
    EXPECT_EQ(listening.endpointKind, kEndpointListening);
    EXPECT_EQ(listening.tcpState, static_cast<std::uint32_t>(TcpState::Listening));
    const TdiStateRecord& connected = std::get<EndpointEvent>(s.events[5].what).record;
    EXPECT_EQ(connected.endpointKind, kEndpointConnection);
    EXPECT_EQ(connected.tcpState, static_cast<std::uint32_t>(TcpState::ConnectedIn));
    EXPECT_EQ(connected.remotePort, 40000);
    EXPECT_EQ(connected.bytesReceived, 20u);
    const TdiStateRecord& udp = std::get<EndpointEvent>(s.events[6].what).record;
    EXPECT_EQ(udp.protocol, 17u);
    EXPECT_EQ(udp.blocked, 1u);
    EXPECT_EQ(udp.endpointKind, kEndpointListening);
    EXPECT_EQ(std::get<EndpointRemoval>(s.events[7].what).name, "web");
    EXPECT_EQ(std::get<CounterEvent>(s.events[8].what).counter[3], 16u);
}

TEST(Scenario, BadLinesAreReportedWithTheirNumbersAndLeftOut) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"10 request connect", "missing pid="},
        {"10 request connect pid=1 prot=80", "unknown argument \"prot\""},
        {"10 request connect pid=1 pid=2", "\"pid\" given twice"},
        {"10 request fly pid=1", "bad operation \"fly\""},
        {"10 packet up tcp", "direction must be in or out, not \"up\""},
        {"10 packet in tcp remote=300.1.1.1", "bad address \"300.1.1.1\""},
        {"10 packet in tcp flags=SYN,FOO", "unknown TCP flag \"FOO\""},
        {"10 packet in tcp local=70000", "bad port \"70000\""},
        {"10 endpoint x sctp", "endpoint needs tcp, udp or remove, not \"sctp\""},
        {"10 endpoint x tcp remote=1.2.3.4", "remote needs <address>:<port>"},
        {"10 counters 1 2 3", "missing four counters"},
        {"soon request connect pid=1", "bad time \"soon\""},
        {"10 jump", "unknown event \"jump\""},
        {"5 counters 1 1 1 1", "time goes back"},
    };
    std::string text = "10 counters 0 0 0 0\n";
    for (const auto& c : cases)
        text += std::string(c.line) + "\n";
    const Scenario s = Scenario::parse(text);
    EXPECT_EQ(s.events.size(), 1u);
    ASSERT_EQ(s.errors.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(s.errors[i].line, static_cast<int>(i) + 2) << cases[i].line;
        EXPECT_EQ(s.errors[i].message, cases[i].message) << cases[i].line;
    }
}

TEST(Scenario, ARunDrivesTheDriverThroughItsActivityApi) {
    const Scenario s = Scenario::parse(R"(
0 endpoint web tcp pid=1234 local=80
0 endpoint other udp pid=9 local=53
0 request listen pid=1234 port=80
0 packet in tcp local=80 length=100
0 counters 5 6 7 8
1 endpoint web tcp pid=1234 local=80 remote=10.0.0.5:40000 state=in
)");
    ASSERT_TRUE(s.errors.empty());
    Driver driver;
    ScenarioRun run(driver);
    for (std::size_t i = 0; i < 5; ++i)
        run.apply(s.events[i]);
    auto records = endpointsOf(driver);
    ASSERT_EQ(records.size(), 2u);
    const std::uint32_t connectionKey = records[0].connectionKey;
    EXPECT_NE(records[0].addressKey, records[1].addressKey);
    EXPECT_EQ(driver.waitingRequestCount(), 1u);
    EXPECT_EQ(driver.statistics().counter[0], 105u); // the packet passed (no table), then +5
    EXPECT_EQ(driver.statistics().counter[3], 8u);

    run.apply(s.events[5]); // the same name changes the endpoint, keys and place kept
    records = endpointsOf(driver);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].tcpState, static_cast<std::uint32_t>(TcpState::ConnectedIn));
    EXPECT_EQ(records[0].connectionKey, connectionKey);

    run.apply(Scenario::parse("0 endpoint web remove").events.at(0));
    records = endpointsOf(driver);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].processId, 9u);
}

TEST(ScenarioPlayer, PlaysEveryEventOnItsOwnThread) {
    auto driver = std::make_shared<Driver>();
    ScenarioPlayer player(driver, Scenario::parse("0 counters 1 0 0 0\n+5 counters 1 0 0 0\n"
                                                  "+5 request connect pid=3 port=80\n"));
    player.waitUntilPlayedOnce();
    EXPECT_EQ(player.eventsApplied(), 3u);
    EXPECT_EQ(driver->statistics().counter[0], 2u);
    EXPECT_EQ(driver->waitingRequestCount(), 1u);
}

TEST(ScenarioPlayer, StopsAtOnceWhenDestroyedWithEventsNotYetDue) {
    auto driver = std::make_shared<Driver>();
    {
        ScenarioPlayer player(driver, Scenario::parse("0 counters 1 0 0 0\n"
                                                      "3600000 counters 1 0 0 0\nloop\n"));
    }
    // Destruction returned without waiting an hour; the late event never came.
    EXPECT_LE(driver->statistics().counter[0], 1u);
}
