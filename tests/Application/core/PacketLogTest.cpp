#include "Application/core/PacketLog.h"

#include "Application/resources/StringTable.h"
#include "Platform/os/Network.h"
#include "Platform/os/Platform.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vrx::os::ScopedService;
using vrx::os::Services;

/// A memo that keeps its lines, splitting entries at CR LF as the real one shows them.
class FakeLogMemo final : public LogMemo {
public:
    std::vector<std::string> lines;
    int updates = 0;
    int openUpdates = 0;
    int scrolls = 0;

    int lineCount() const override { return static_cast<int>(lines.size()); }
    void clear() override { lines.clear(); }
    void addEntry(const std::string& text) override {
        std::string::size_type start = 0;
        for (auto end = text.find("\r\n"); end != std::string::npos;
             start = end + 2, end = text.find("\r\n", start))
            lines.push_back(text.substr(start, end - start));
        lines.push_back(text.substr(start));
    }
    void beginUpdate() override {
        ++updates;
        ++openUpdates;
    }
    void endUpdate() override { --openUpdates; }
    void scrollToEnd() override {
        EXPECT_EQ(openUpdates, 0) << "scrolled while redrawing was suspended";
        ++scrolls;
    }
};

/// A memo entry as it reaches the memo's lines.
std::vector<std::string> linesOf(const std::string& entry) {
    FakeLogMemo memo;
    memo.addEntry(entry);
    return memo.lines;
}

struct RecordFields {
    std::uint8_t protocol = 6;
    const char* remote = "10.0.0.2";
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;
    std::uint8_t flags = 0;
    std::uint8_t direction = 0;
    std::uint8_t action = 0;
    std::uint8_t alert = 0;
};

TFilterRecord makeRecord(const RecordFields& f) {
    TFilterRecord r;
    r.Protocol = f.protocol;
    r.RemoteAddress = vrx::os::inetAddr(f.remote);
    r.LocalPort = f.localPort;
    r.RemotePort = f.remotePort;
    r.TCPFlags = f.flags;
    r.Direction = f.direction;
    r.Action = f.action;
    r.AlertType = f.alert;
    return r;
}

class PacketLogTest : public ::testing::Test {
protected:
    FakeLogMemo memo;
    vrx::test::FakeClock clock{100000};
    vrx::os::FakeSound sound;
    ScopedService<vrx::os::Clock> clockGuard{&Services::clock, &clock};
    ScopedService<vrx::os::Sound> soundGuard{&Services::sound, &sound};
    int blinks = 0;
    TPacketLog log{memo, PacketLogHost{
                             .protocolName =
                                 [](int p) {
                                     return p == 6    ? std::string("TCP")
                                            : p == 17 ? std::string("UDP")
                                                      : std::string("UNKNOW");
                                 },
                             .portName =
                                 [](int port) {
                                     return port == 23 ? std::string("Telnet[23]")
                                                       : std::to_string(port);
                                 },
                             .startBlinking = [this] { ++blinks; },
                             .soundFile = [] { return std::string("/opt/vornex/Sound/Alert.WAV"); },
                             .timeText = [] { return std::string("12:34:56"); },
                         }};

    void handle(const std::vector<TFilterRecord>& records) {
        std::vector<std::uint8_t> bytes;
        for (const auto& r : records) {
            const auto* raw = reinterpret_cast<const std::uint8_t*>(&r);
            bytes.insert(bytes.end(), raw, raw + LogRecordSize);
        }
        log.HandleLogRecords(bytes.data(), static_cast<int>(records.size()));
    }
};

TEST_F(PacketLogTest, ReceivedSynIsAConnectionAttemptWithTheRefusal) {
    handle({makeRecord({.localPort = 23, .flags = 0x02, .action = 0})});

    std::vector<std::string> expected =
        linesOf("[12:34:56]" + FormatStr(33011, "10.0.0.2", "Telnet[23]", "S"));
    ASSERT_EQ(expected.size(), 2u);
    expected.push_back(LoadStr(33031));
    expected.push_back("");
    EXPECT_EQ(memo.lines, expected);
    EXPECT_EQ(memo.lines[0], "[12:34:56] 10.0.0.2试图连接本机的Telnet[23]端口，");
    EXPECT_EQ(memo.updates, 1);
    EXPECT_EQ(memo.scrolls, 1);
}

struct TcpCase {
    std::uint8_t direction;
    std::uint8_t flags;
    int id;
    const char* first; // the two arguments before the flag text
    const char* second;
};

class TcpEventTest : public PacketLogTest, public ::testing::WithParamInterface<TcpCase> {};

TEST_P(TcpEventTest, FirstMatchingFlagChoosesTheMessage) {
    const TcpCase& c = GetParam();
    ASSERT_TRUE(log.FormatTcpRecord(makeRecord({.localPort = 23,
                                                .remotePort = 1025,
                                                .flags = c.flags,
                                                .direction = c.direction,
                                                .action = 1})));
    std::vector<std::string> expected = linesOf(
        "[12:34:56]" + FormatStr(c.id, c.first, c.second, TPacketLog::TcpFlagText(c.flags)));
    expected.push_back(LoadStr(33030));
    expected.push_back("");
    EXPECT_EQ(memo.lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, TcpEventTest,
    ::testing::Values(TcpCase{0, 0x11, 33017, "10.0.0.2", "1025"},       // FIN before ACK
                      TcpCase{0, 0x12, 33013, "10.0.0.2", "Telnet[23]"}, // SYN ACK answers
                      TcpCase{0, 0x06, 33011, "10.0.0.2", "Telnet[23]"}, // SYN before RST
                      TcpCase{0, 0x04, 33015, "10.0.0.2", "1025"},
                      TcpCase{1, 0x01, 33016, "Telnet[23]", "10.0.0.2"},
                      TcpCase{1, 0x12, 33012, "10.0.0.2", "1025"},
                      TcpCase{1, 0x02, 33010, "10.0.0.2", "1025"},
                      TcpCase{1, 0x24, 33014, "Telnet[23]", "10.0.0.2"}));

TEST_F(PacketLogTest, TcpWithoutAConnectionFlagTakesTheGeneralLayout) {
    EXPECT_FALSE(log.FormatTcpRecord(makeRecord({.flags = 0x08, .direction = 1})));
    EXPECT_TRUE(memo.lines.empty());

    handle({makeRecord(
        {.localPort = 23, .remotePort = 80, .flags = 0x08, .direction = 1, .action = 2})});
    std::vector<std::string> expected = {"[12:34:56]" + FormatStr(33001, "10.0.0.2", "TCP")};
    for (const auto& line : linesOf(FormatStr(33002, "Telnet[23]", "80", "P")))
        expected.push_back(line);
    expected.push_back(LoadStr(33007));
    expected.push_back("");
    EXPECT_EQ(memo.lines, expected);
}

TEST_F(PacketLogTest, UdpAndUnknownProtocolsGiveHeaderDetailActionAndEmptyLine) {
    log.FormatLogRecord(
        makeRecord({.protocol = 17, .localPort = 53, .remotePort = 1030, .action = 1}));
    std::vector<std::string> expected = {"[12:34:56]" + FormatStr(33000, "10.0.0.2", "UDP")};
    for (const auto& line : linesOf(FormatStr(33003, "53", "1030")))
        expected.push_back(line);
    expected.push_back(LoadStr(33005));
    expected.push_back("");
    EXPECT_EQ(memo.lines, expected);

    memo.clear();
    log.FormatLogRecord(makeRecord({.protocol = 47, .action = 0}));
    EXPECT_EQ(memo.lines,
              (std::vector<std::string>{"[12:34:56]" + FormatStr(33000, "10.0.0.2", "UNKNOW"), "",
                                        LoadStr(33006), ""}));
}

TEST_F(PacketLogTest, EveryIcmpRecordIsAPing) {
    TFilterRecord record = makeRecord({.protocol = 1, .remote = "192.168.1.9", .action = 2});
    record.LocalPort = 0x0103; // type 3 (destination unreachable), code 1
    log.FormatLogRecord(record);
    EXPECT_EQ(memo.lines,
              (std::vector<std::string>{"[12:34:56] 192.168.1.9 尝试用Ping 来探测本机，",
                                        LoadStr(33007), ""}));
}

TEST(TcpFlagText, LettersInFixedOrder) {
    EXPECT_EQ(TPacketLog::TcpFlagText(0x00), "");
    EXPECT_EQ(TPacketLog::TcpFlagText(0x12), "SA");
    EXPECT_EQ(TPacketLog::TcpFlagText(0x3F), "FSRAPU");
    EXPECT_EQ(TPacketLog::TcpFlagText(0x18), "AP");
    EXPECT_EQ(TPacketLog::TcpFlagText(0xC0), "");
}

TEST_F(PacketLogTest, MemoOverTheLimitIsEmptiedWholeBeforeTheNextEntry) {
    memo.lines.assign(4000, "old");
    log.AppendLogLine("kept");
    EXPECT_EQ(memo.lineCount(), 4001);
    log.AppendLogLine("first\r\nsecond");
    EXPECT_EQ(memo.lines, (std::vector<std::string>{"first", "second"}));
}

TEST_F(PacketLogTest, AlertBitsBlinkAndSoundAtMostOncePerPause) {
    handle({makeRecord({.alert = 0x0C}), makeRecord({.alert = 0x08})});
    EXPECT_EQ(blinks, 1);
    ASSERT_EQ(sound.requests().size(), 1u);
    EXPECT_EQ(sound.requests()[0].fileName, "/opt/vornex/Sound/Alert.WAV");
    EXPECT_EQ(sound.requests()[0].flags, 0x22013u);
    EXPECT_EQ(log.LastAlertTick, 100000u);

    clock.advance(4999);
    handle({makeRecord({.alert = 0x08})});
    EXPECT_EQ(sound.requests().size(), 1u);
    clock.advance(1);
    handle({makeRecord({.alert = 0x04}), makeRecord({.alert = 0x08})});
    EXPECT_EQ(sound.requests().size(), 2u);
    EXPECT_EQ(blinks, 2);
    EXPECT_EQ(log.LastAlertTick, 105000u);
}

TEST_F(PacketLogTest, SoundPauseSpansTheWrapOfTheTickCount) {
    clock.set(0xFFFFF000u);
    log.PlayAlertSound();
    clock.advance(0x2000); // wrapped to 0x1000, 8192 ms later
    log.PlayAlertSound();
    EXPECT_EQ(sound.requests().size(), 2u);
    clock.advance(100);
    log.PlayAlertSound();
    EXPECT_EQ(sound.requests().size(), 2u);
}

TEST_F(PacketLogTest, EmptyBatchDoesNothingAtAll) {
    const std::uint8_t none[LogRecordSize] = {};
    log.HandleLogRecords(none, 0);
    log.HandleLogRecords(none, -1);
    EXPECT_EQ(memo.updates, 0);
    EXPECT_EQ(memo.scrolls, 0);
    EXPECT_TRUE(memo.lines.empty());
}

} // namespace
