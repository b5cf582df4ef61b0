#include "Application/core/PacketLog.h"

#include "Application/resources/StringTable.h"
#include "Platform/os/Clock.h"
#include "Platform/os/Network.h"
#include "Platform/os/Platform.h"
#include "Platform/os/Sound.h"

#include <cstring>
#include <utility>

namespace {

constexpr int kProtocolIcmp = 1;
constexpr int kProtocolTcp = 6;
constexpr int kProtocolUdp = 17;

constexpr std::uint8_t kFin = 0x01;
constexpr std::uint8_t kSyn = 0x02;
constexpr std::uint8_t kRst = 0x04;
constexpr std::uint8_t kPsh = 0x08;
constexpr std::uint8_t kAck = 0x10;
constexpr std::uint8_t kUrg = 0x20;

constexpr std::uint8_t kActionBlocked = 0;
constexpr std::uint8_t kActionPassed = 1;

// Ids of the log texts in the string table.
enum : int {
    kReceivedHeader = 33000,
    kSentHeader = 33001,
    kTcpPorts = 33002,
    kUdpPorts = 33003,
    kPacketPassed = 33005,
    kPacketBlocked = 33006,
    kNextRule = 33007,
    kSentSyn = 33010,
    kReceivedSyn = 33011,
    kSentAck = 33012,
    kReceivedAck = 33013,
    kSentRst = 33014,
    kReceivedRst = 33015,
    kSentFin = 33016,
    kReceivedFin = 33017,
    kPing = 33018,
    kOperationAllowed = 33030,
    kOperationRefused = 33031,
};

constexpr std::uint32_t kPlayFlags = vrx::os::kSndAsync | vrx::os::kSndNoDefault |
                                     vrx::os::kSndNoStop | vrx::os::kSndNoWait |
                                     vrx::os::kSndFilename;
static_assert(kPlayFlags == 0x22013);

/// Ends the memo's update however the batch ends.
class UpdateScope {
public:
    explicit UpdateScope(LogMemo& memo) : memo_(memo) { memo_.beginUpdate(); }
    ~UpdateScope() { memo_.endUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    LogMemo& memo_;
};

std::string remoteAddress(const TFilterRecord& record) {
    return vrx::os::inetNtoa(record.RemoteAddress);
}

} // namespace

TPacketLog::TPacketLog(LogMemo& memo, PacketLogHost host) : memo_(memo), host_(std::move(host)) {}

void TPacketLog::HandleLogRecords(const std::uint8_t* records, int count) {
    if (count <= 0 || records == nullptr)
        return;
    {
        UpdateScope update(memo_);
        for (int i = 0; i < count; ++i) {
            TFilterRecord record;
            std::memcpy(&record, records + i * LogRecordSize, LogRecordSize);
            FormatLogRecord(record);
            const std::uint8_t alert = record.AlertType;
            if (alert & kAlertBlink)
                host_.startBlinking();
            if (alert & kAlertSound)
                PlayAlertSound();
        }
    }
    memo_.scrollToEnd();
}

void TPacketLog::FormatLogRecord(const TFilterRecord& record) {
    const int protocol = record.Protocol;
    if (protocol == kProtocolTcp && FormatTcpRecord(record))
        return;
    if (protocol == kProtocolIcmp && FormatIcmpRecord(record))
        return;

    const int header = record.Direction != 0 ? kSentHeader : kReceivedHeader;
    AppendLogLine(timeStamp() +
                  FormatStr(header, remoteAddress(record), host_.protocolName(protocol)));

    const std::string localPort = host_.portName(record.LocalPort);
    const std::string remotePort = host_.portName(record.RemotePort);
    std::string detail;
    if (protocol == kProtocolTcp)
        detail = FormatStr(kTcpPorts, localPort, remotePort, TcpFlagText(record.TCPFlags));
    else if (protocol == kProtocolUdp)
        detail = FormatStr(kUdpPorts, localPort, remotePort);
    AppendLogLine(detail);

    appendActionLine(record, kPacketPassed, kPacketBlocked);
    AppendLogLine("");
}

bool TPacketLog::FormatTcpRecord(const TFilterRecord& record) {
    const std::uint8_t flags = record.TCPFlags;
    const std::string flagText = TcpFlagText(flags);
    const std::string address = remoteAddress(record);
    const std::string localPort = host_.portName(record.LocalPort);
    const std::string remotePort = host_.portName(record.RemotePort);

    std::string message;
    if (record.Direction == 0) {
        if (flags & kFin)
            message = FormatStr(kReceivedFin, address, remotePort, flagText);
        else if (flags & kAck)
            message = FormatStr(kReceivedAck, address, localPort, flagText);
        else if (flags & kSyn)
            message = FormatStr(kReceivedSyn, address, localPort, flagText);
        else if (flags & kRst)
            message = FormatStr(kReceivedRst, address, remotePort, flagText);
        else
            return false;
    } else {
        if (flags & kFin)
            message = FormatStr(kSentFin, localPort, address, flagText);
        else if (flags & kAck)
            message = FormatStr(kSentAck, address, remotePort, flagText);
        else if (flags & kSyn)
            message = FormatStr(kSentSyn, address, remotePort, flagText);
        else if (flags & kRst)
            message = FormatStr(kSentRst, localPort, address, flagText);
        else
            return false;
    }
    AppendLogLine(timeStamp() + message);
    appendActionLine(record, kOperationAllowed, kOperationRefused);
    AppendLogLine("");
    return true;
}

bool TPacketLog::FormatIcmpRecord(const TFilterRecord& record) {
    AppendLogLine(timeStamp() + FormatStr(kPing, remoteAddress(record)));
    appendActionLine(record, kOperationAllowed, kOperationRefused);
    AppendLogLine("");
    return true;
}

void TPacketLog::AppendLogLine(const std::string& text) {
    if (memo_.lineCount() > kMaxLines)
        memo_.clear();
    memo_.addEntry(text);
}

void TPacketLog::PlayAlertSound() {
    vrx::os::Clock& clock = *vrx::os::platform().clock;
    const std::uint32_t now = clock.tickCount();
    // The second reading tells a tick count that wrapped past zero since the last alert from
    // one that is really within the pause; a reading equal to the last alert's (two records in
    // the same millisecond) is within it too.
    if (now - LastAlertTick < kAlertPause && clock.tickCount() >= LastAlertTick)
        return;
    LastAlertTick = clock.tickCount();
    (void)vrx::os::platform().sound->playSound(host_.soundFile(), kPlayFlags);
}

std::string TPacketLog::TcpFlagText(std::uint8_t flags) {
    static constexpr std::pair<std::uint8_t, char> kLetters[] = {
        {kFin, 'F'}, {kSyn, 'S'}, {kRst, 'R'}, {kAck, 'A'}, {kPsh, 'P'}, {kUrg, 'U'},
    };
    std::string text;
    for (const auto& [flag, letter] : kLetters)
        if (flags & flag)
            text += letter;
    return text;
}

std::string TPacketLog::timeStamp() const {
    return "[" + host_.timeText() + "]";
}

void TPacketLog::appendActionLine(const TFilterRecord& record, int passed, int blocked) {
    const std::uint8_t action = record.Action;
    const int id = action == kActionBlocked  ? blocked
                   : action == kActionPassed ? passed
                                             : kNextRule;
    AppendLogLine(LoadStr(id));
}
