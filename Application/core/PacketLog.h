#pragma once

#include "Application/driver/DriverProtocol.h"

#include <cstdint>
#include <functional>
#include <string>

/// The memo that holds the packet log's lines. An entry may contain CR LF and then occupies
/// several lines.
class LogMemo {
public:
    virtual ~LogMemo() = default;
    virtual int lineCount() const = 0;
    virtual void clear() = 0;
    virtual void addEntry(const std::string& text) = 0;
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
    virtual void scrollToEnd() = 0;
};

/// What the packet log needs from its owner (the main form): the names of protocols and ports,
/// the tray icon's blinking, the alert sound's file and the time of day.
struct PacketLogHost {
    std::function<std::string(int protocol)> protocolName;
    std::function<std::string(int port)> portName;
    std::function<void()> startBlinking;
    std::function<std::string()> soundFile;
    std::function<std::string()> timeText;
};

/// Turns the driver's log records into readable lines in the log memo, starts the tray icon's
/// blinking and plays the alert sound when a record asks for it.
class TPacketLog {
public:
    /// The memo empties itself whole when an entry arrives while it holds more than this.
    static constexpr int kMaxLines = 4000;
    /// The alert sound starts at most once in this many milliseconds.
    static constexpr std::uint32_t kAlertPause = 5000;
    static constexpr std::uint8_t kAlertBlink = 0x04;
    static constexpr std::uint8_t kAlertSound = 0x08;

    TPacketLog(LogMemo& memo, PacketLogHost host);

    /// One batch of `count` records, 34 bytes apart, written with the memo's redrawing
    /// suspended and one scroll to the end. A count of 0 or less does nothing.
    void HandleLogRecords(const std::uint8_t* records, int count);

    void FormatLogRecord(const TFilterRecord& record);
    /// False, writing nothing, when the flags name no connection event.
    bool FormatTcpRecord(const TFilterRecord& record);
    bool FormatIcmpRecord(const TFilterRecord& record);
    void AppendLogLine(const std::string& text);
    void PlayAlertSound();

    /// One letter per set flag in the order F S R A P U, without separators.
    static std::string TcpFlagText(std::uint8_t flags);

    /// The tick count at which the alert sound last started.
    std::uint32_t LastAlertTick = 0;

private:
    std::string timeStamp() const;
    void appendActionLine(const TFilterRecord& record, int passed, int blocked);

    LogMemo& memo_;
    PacketLogHost host_;
};
