#include "Platform/vrxfw/HostObserver.h"

#include "Platform/vrxfw/ProcNet.h"
#include "Platform/vrxfw/SocketDiagnostics.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace vrx::vrxfw;

namespace {

constexpr const char* kTcpHeading =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout "
    "inode\n";

// One table line as the kernel prints it.
std::string line(const char* local, const char* remote, const char* state, const char* inode) {
    return std::string("   0: ") + local + " " + remote + " " + state +
           " 00000000:00000000 00:00000000 00000000  1000        0 " + inode +
           " 1 0000000000000000 100 0 0 10 0\n";
}

constexpr std::uint32_t ip(int a, int b, int c, int d) {
    return static_cast<std::uint32_t>(a | (b << 8) | (c << 16) | (d << 24)); // network order
}

} // namespace

TEST(ProcNet, SocketLinesGiveAddressesInNetworkOrderPortsStateAndInode) {
    const std::string text =
        std::string(kTcpHeading) + line("0100007F:1F90", "00000000:0000", "0A", "4242") +
        line("0200000A:9C40", "0101A8C0:0050", "01", "77") + "   garbage line\n" +
        line("00000000000000000000000000000000:0016", "00000000:0000", "0A",
             "9") + // not IPv4
        line("0200000A:9C41", "0101A8C0:0050", "06", "0");
    const auto sockets = parseProcNetSockets(text);
    ASSERT_EQ(sockets.size(), 3u);
    EXPECT_EQ(sockets[0].localAddress, ip(127, 0, 0, 1));
    EXPECT_EQ(sockets[0].localPort, 8080);
    EXPECT_EQ(sockets[0].state, 0x0A);
    EXPECT_EQ(sockets[0].inode, 4242u);
    EXPECT_EQ(sockets[1].localAddress, ip(10, 0, 0, 2));
    EXPECT_EQ(sockets[1].localPort, 40000);
    EXPECT_EQ(sockets[1].remoteAddress, ip(192, 168, 1, 1));
    EXPECT_EQ(sockets[1].remotePort, 80);
    EXPECT_EQ(sockets[2].state, 0x06);
    EXPECT_EQ(sockets[2].inode, 0u);
}

TEST(ProcNet, InterfaceTrafficSumsEveryInterfaceButTheLoopback) {
    const std::string text =
        "Inter-|   Receive                                                |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs "
        "drop fifo colls carrier compressed\n"
        "    lo:    6534      58    0    0    0     0          0         0     6534      58    0 "
        "   0    0     0       0          0\n"
        "  eth0: 1000 10 0 0 0 0 0 0 300 3 0 0 0 0 0 0\n"
        "wlan0:5000000000 10 0 0 0 0 0 0 7 3 0 0 0 0 0 0\n";
    const InterfaceTraffic traffic = parseInterfaceTraffic(text);
    EXPECT_EQ(traffic.received, 5000001000u);
    EXPECT_EQ(traffic.sent, 307u);
}

namespace {

// A process file system of the test's own: the two tables, the interface counters and the
// descriptor links of the processes it names.
class FakeProc {
public:
    FakeProc() { QDir(dir.path()).mkpath("net"); }

    void write(const QString& relative, const std::string& text) {
        QFile file(dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    void own(int pid, int fd, const std::string& target) {
        const QString folder = QString("%1/fd").arg(pid);
        QDir(dir.path()).mkpath(folder);
        ASSERT_TRUE(QFile::link(QString::fromStdString(target),
                                dir.filePath(QString("%1/%2").arg(folder).arg(fd))));
    }
    HostObserver observer() {
        return HostObserver({dir.path().toStdString(), HostObserver::ByteCounts::None});
    }

    QTemporaryDir dir;
};

const TdiStateRecord* find(const std::vector<TdiStateRecord>& records, std::uint32_t protocol,
                           std::uint16_t localPort, std::uint16_t remotePort = 0) {
    const auto it = std::find_if(records.begin(), records.end(), [&](const TdiStateRecord& r) {
        return r.protocol == protocol && r.localPort == localPort && r.remotePort == remotePort;
    });
    return it == records.end() ? nullptr : &*it;
}

} // namespace

TEST(HostObserver, StatesAndOwnersAreMappedOntoTheRecord) {
    FakeProc proc;
    proc.write("net/tcp", std::string(kTcpHeading) +
                              line("00000000:1F90", "00000000:0000", "0A", "100") + // listen 8080
                              line("0200000A:1F90", "0300000A:A000", "01", "101") + // in
                              line("0200000A:9C40", "0101A8C0:0050", "01", "102") + // out
                              line("0200000A:9C41", "0101A8C0:0050", "02", "103") + // SYN sent
                              line("0200000A:9C42", "0101A8C0:0050", "06", "0") +   // TIME_WAIT
                              line("0200000A:9C43", "0101A8C0:0050", "08", "104") + // CLOSE_WAIT
                              line("0200000A:1F90", "0400000A:A001", "01", "999")); // no owner
    proc.write("net/udp", std::string(kTcpHeading) +
                              line("00000000:14E9", "00000000:0000", "07", "200") +
                              line("0200000A:A002", "08080808:0035", "01", "201"));
    for (int inode : {100, 101, 102, 103, 104, 200, 201})
        proc.own(inode >= 200 ? 600 : 500, inode, "socket:[" + std::to_string(inode) + "]");
    proc.own(500, 1, "/dev/null");
    proc.own(501, 7, "socket:[101]"); // a child sharing the socket: the lower id owns it

    const auto records = proc.observer().endpoints();
    ASSERT_EQ(records.size(), 9u);
    const struct {
        std::uint32_t protocol;
        std::uint16_t local, remote;
        std::uint32_t pid, kind;
        TcpState state;
    } expected[] = {
        {6, 8080, 0, 500, kEndpointListening, TcpState::Listening},
        {6, 8080, 40960, 500, kEndpointConnection, TcpState::ConnectedIn},
        {6, 40000, 80, 500, kEndpointConnection, TcpState::ConnectedOut},
        {6, 40001, 80, 500, kEndpointConnection, TcpState::ConnectingOut},
        {6, 40002, 80, 0, kEndpointConnection, TcpState::Disconnected},
        {6, 40003, 80, 500, kEndpointConnection, TcpState::Disconnected},
        // Owner unknown: a connection to a port the machine listens on is still incoming.
        {6, 8080, 40961, 0, kEndpointConnection, TcpState::ConnectedIn},
        {17, 5353, 0, 600, kEndpointListening, TcpState::Disconnected},
        {17, 40962, 53, 600, kEndpointListening, TcpState::Disconnected},
    };
    for (const auto& e : expected) {
        const TdiStateRecord* r = find(records, e.protocol, e.local, e.remote);
        ASSERT_NE(r, nullptr) << e.local << " " << e.remote;
        EXPECT_EQ(r->processId, e.pid) << e.local << " " << e.remote;
        EXPECT_EQ(r->endpointKind, e.kind) << e.local << " " << e.remote;
        EXPECT_EQ(r->tcpState, static_cast<std::uint32_t>(e.state)) << e.local << " " << e.remote;
    }
    const TdiStateRecord* out = find(records, 6, 40000, 80);
    EXPECT_EQ(out->remoteAddress, ip(192, 168, 1, 1));
    EXPECT_EQ(out->localAddress, ip(10, 0, 0, 2));
    EXPECT_EQ(find(records, 17, 40962, 53)->remoteAddress, ip(8, 8, 8, 8));
}

TEST(HostObserver, AConnectionKeepsItsKeyAsItsStateChanges) {
    FakeProc proc;
    proc.write("net/tcp",
               std::string(kTcpHeading) + line("0200000A:9C40", "0101A8C0:0050", "01", "102"));
    proc.own(500, 3, "socket:[102]");
    const auto before = proc.observer().endpoints();
    proc.write("net/tcp", std::string(kTcpHeading) +
                              line("0200000A:9C40", "0101A8C0:0050", "06", "0") +
                              line("0200000A:9C41", "0101A8C0:0050", "06", "0"));
    const auto after = proc.observer().endpoints();
    ASSERT_EQ(before.size(), 1u);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].connectionKey, before[0].connectionKey);
    EXPECT_NE(after[1].connectionKey, after[0].connectionKey);
    EXPECT_NE(after[1].addressKey, after[0].addressKey);
}

TEST(HostObserver, InterfaceTrafficReachesTheCountersAsItGrows) {
    FakeProc proc;
    const auto dev = [](int received, int sent) {
        return "h1\nh2\n  eth0: " + std::to_string(received) + " 1 0 0 0 0 0 0 " +
               std::to_string(sent) + " 1 0 0 0 0 0 0\n";
    };
    proc.write("net/dev", dev(1000, 500));
    Driver driver;
    driver.setHostView(std::make_shared<HostObserver>(proc.observer()));
    driver.advanceCounters(7, 0, 0, 0);
    std::uint32_t returned = 0;
    Statistics stats;
    ASSERT_TRUE(driver.control(code::kReadStatistics, nullptr, 0, &stats, 16, returned));
    EXPECT_EQ(stats.counter[0], 7u); // the first reading is the base
    proc.write("net/dev", dev(1600, 520));
    ASSERT_TRUE(driver.control(code::kReadStatistics, nullptr, 0, &stats, 16, returned));
    EXPECT_EQ(stats.counter[0], 607u);
    EXPECT_EQ(stats.counter[1], 20u);
}

namespace {

// A socket of this process, closed with the object.
class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }
    std::uint16_t localPort() const {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }

private:
    int fd_ = -1;
};

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

// The machine's own sockets: a listener this test opens, and a connection to it.
TEST(HostObserver, SeesThisProcesssOwnListeningSocketAndConnections) {
    Socket listener(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_GE(listener.fd(), 0);
    sockaddr_in address = loopback(0);
    ASSERT_EQ(::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener.fd(), 4), 0);
    const std::uint16_t port = listener.localPort();

    Socket client(::socket(AF_INET, SOCK_STREAM, 0));
    address = loopback(port);
    ASSERT_EQ(::connect(client.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    Socket served(::accept(listener.fd(), nullptr, nullptr));
    ASSERT_GE(served.fd(), 0);
    const char data[100] = {};
    ASSERT_EQ(::send(client.fd(), data, sizeof data, 0), 100);
    char received[100];
    std::size_t got = 0;
    while (got < sizeof received) {
        const auto n = ::recv(served.fd(), received + got, sizeof received - got, 0);
        ASSERT_GT(n, 0);
        got += static_cast<std::size_t>(n);
    }

    // Read as the program reads it: through the driver's endpoint code.
    Driver driver;
    driver.setHostView(std::make_shared<HostObserver>());
    std::vector<TdiStateRecord> records(1000);
    std::uint32_t returned = 0;
    ASSERT_TRUE(driver.control(code::kReadTdiStates, nullptr, 0, records.data(), 56000, returned));
    records.resize(returned / sizeof(TdiStateRecord));
    const auto pid = static_cast<std::uint32_t>(::getpid());
    const TdiStateRecord* listening = find(records, 6, port);
    ASSERT_NE(listening, nullptr);
    EXPECT_EQ(listening->processId, pid);
    EXPECT_EQ(listening->endpointKind, kEndpointListening);
    EXPECT_EQ(listening->tcpState, static_cast<std::uint32_t>(TcpState::Listening));

    const TdiStateRecord* in = find(records, 6, port, client.localPort());
    const TdiStateRecord* out = find(records, 6, client.localPort(), port);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->processId, pid);
    EXPECT_EQ(in->tcpState, static_cast<std::uint32_t>(TcpState::ConnectedIn));
    EXPECT_EQ(out->processId, pid);
    EXPECT_EQ(out->tcpState, static_cast<std::uint32_t>(TcpState::ConnectedOut));
    EXPECT_EQ(out->remoteAddress, ip(127, 0, 0, 1));

    if (!tcpSocketBytes())
        GTEST_SKIP() << "the socket-diagnostics interface does not answer here";
    // The receiving side has counted the bytes before they could be read.
    EXPECT_EQ(in->bytesReceived, 100u);
}

TEST(HostObserver, TheDriversOwnEndpointsComeFirstAndAReadHoldsAThousand) {
    FakeProc proc;
    std::string table = kTcpHeading;
    for (int i = 0; i < 1200; ++i) {
        char local[16];
        std::snprintf(local, sizeof local, "0200000A:%04X", 1000 + i);
        table += line(local, "00000000:0000", "0A", std::to_string(5000 + i).c_str());
    }
    proc.write("net/tcp", table);
    Driver driver;
    driver.setHostView(std::make_shared<HostObserver>(proc.observer()));
    TdiStateRecord own;
    own.processId = 77;
    own.localPort = 9;
    driver.addEndpoint(own);

    std::vector<TdiStateRecord> records(1000);
    std::uint32_t returned = 0;
    ASSERT_TRUE(driver.control(code::kReadTdiStates, nullptr, 0, records.data(), 56000, returned));
    EXPECT_EQ(returned, 56000u);
    EXPECT_EQ(records[0].processId, 77u);
    EXPECT_EQ(records[1].localPort, 1000);
    EXPECT_EQ(records[999].localPort, 1998);
}
