#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The firewall driver's device protocol as the program speaks it: the device names, the
// control codes of both families, and the records that travel with them. All integers are
// little-endian; the records are packed and are copied to and from the driver byte for byte.

static_assert(std::endian::native == std::endian::little,
              "the driver's records are laid out for a little-endian host");

/// Device paths: the NT family's and the Windows 9x family's.
inline constexpr const char* DriverDeviceName = "\\\\.\\VRXFW";
inline constexpr const char* DriverDeviceName9x = "\\\\.\\VRXFW.VXD";

/// The only driver version the program accepts (compared as a whole word).
inline constexpr std::uint32_t RequiredDriverVersion = 0x02000406u;

/// Control codes: device type 0x7106, buffered transfer; function number in bits 2 to 13.
namespace DriverCode {
// The driver control protocol (no access bits).
inline constexpr std::uint32_t GetVersion = 0x71060000u;
inline constexpr std::uint32_t Activate = 0x71060004u;
inline constexpr std::uint32_t Deactivate = 0x71060008u;
inline constexpr std::uint32_t LoadFilters = 0x71060400u;
inline constexpr std::uint32_t ResumeFiltering = 0x71060404u;
inline constexpr std::uint32_t SuspendFiltering = 0x71060408u;
inline constexpr std::uint32_t ReadLog = 0x7106040Cu;
inline constexpr std::uint32_t ReadStatistics = 0x71060410u;
inline constexpr std::uint32_t ReadTDIStates = 0x71060414u;
// The request channel (access bits 3: read and write).
inline constexpr std::uint32_t RegisterEvent = 0x7106C808u;
inline constexpr std::uint32_t RegisterSecondEvent = 0x7106C80Cu;
inline constexpr std::uint32_t FetchRequest = 0x7106C810u;
inline constexpr std::uint32_t AnswerRequest = 0x7106C814u;
inline constexpr std::uint32_t RegisterProcess = 0x7106C81Cu;
} // namespace DriverCode

/// The declared length of the buffers that the switching codes send as null pointers.
inline constexpr std::uint32_t SwitchBufferLength = 4;

/// The filter record, and in the same layout the driver's log record: 34 bytes.
/// Only EtherType and the addresses are in network byte order; ports are host order.
#pragma pack(push, 1)
struct TFilterRecord {
    std::uint16_t EtherType = 0; // network byte order: bytes 08 00 for IPv4
    std::uint16_t Reserved2 = 0;
    std::uint8_t Protocol = 0;
    std::uint32_t Reserved5 = 0;
    std::uint32_t RemoteAddress = 0; // network byte order
    std::uint16_t LocalPort = 0;     // ICMP: byte 13 the type, byte 14 the code
    std::uint16_t RemotePort = 0;
    std::uint8_t TCPFlags = 0;
    std::uint8_t Direction = 0;
    std::uint8_t Action = 0;
    std::uint8_t AlertType = 0; // in a log record: the alert flags of the matched rule
    std::uint8_t Reserved21 = 0;
    std::uint32_t Reserved22 = 0;
    std::uint32_t RemoteMask = 0; // network byte order
    std::uint16_t LocalPort2 = 0;
    std::uint16_t RemotePort2 = 0;
};
#pragma pack(pop)
static_assert(sizeof(TFilterRecord) == 34);
using TPacketLogRecord = TFilterRecord;

inline constexpr std::uint32_t FilterRecordSize = 34;
inline constexpr std::uint32_t MaxFilterRecords = 1000;
/// SendFilters' status for a table of more than MaxFilterRecords records.
inline constexpr std::uint32_t FilterTableTooLong = 0xFFFFFF;

inline constexpr std::uint32_t LogRecordSize = 34;
inline constexpr std::uint32_t MaxLogRecords = 50; // per read: a 1,700-byte buffer

/// Four cumulative 32-bit counters; c0 + c2 and c1 + c3 are the two traffic totals.
inline constexpr std::uint32_t StatisticsSize = 16;

/// What an application attempts (TAccessRequest::Operation); other values are carried as well.
enum TAccessOperation : std::uint32_t {
    opTcpConnect = 0,
    opTcpListen = 1,
    opTcpSend = 2,
    opUdpSend = 3,
    opUdpReceive = 4,
};

inline constexpr std::uint32_t STATUS_SUCCESS = 0;
inline constexpr std::uint32_t STATUS_ACCESS_DENIED = 0xC0000022u;

/// The request channel's record: 28 bytes. The driver fills it; the program writes only
/// AnsweredDirectly and Status and hands the rest back untouched.
#pragma pack(push, 1)
struct TAccessRequest {
    std::uint32_t DriverData0 = 0;
    std::uint8_t Discard = 0; // non-zero: drop without an answer
    std::uint8_t AnsweredDirectly = 0;
    std::uint32_t Status = 0;
    std::uint32_t RemoteAddress = 0; // network byte order
    std::uint16_t Port = 0;          // remote port (operations 0, 2, 3), local port (1, 4)
    std::uint32_t DriverData16 = 0;
    std::uint32_t Operation = 0;
    std::uint32_t ProcessId = 0;
};
#pragma pack(pop)
static_assert(sizeof(TAccessRequest) == 28);

/// The answer's input: bytes 0-3 a 32-bit reference to the answered record (published with
/// vrx::os::publishMemory for the duration of the call), bytes 4-27 zero.
inline constexpr std::uint32_t AnswerInputSize = 28;

/// The driver's record per network endpoint: 56 bytes.
#pragma pack(push, 1)
struct TTDIStateRecord {
    std::uint32_t AddressKey = 0; // identifies the endpoint (UDP nodes are matched by it)
    std::uint32_t ProcessId = 0;  // 0: the system
    std::uint32_t Reserved8 = 0;
    std::uint32_t Blocked = 0;       // 1: tried to listen and the rules refused it
    std::uint32_t Protocol = 0;      // 6 TCP, 17 UDP
    std::uint32_t RemoteAddress = 0; // network byte order; 0 none
    std::uint32_t Reserved24 = 0;
    std::uint32_t BytesSent = 0;
    std::uint32_t BytesReceived = 0;
    std::uint16_t RemotePort = 0;
    std::uint16_t LocalPort = 0; // 0 none
    std::uint16_t Reserved40 = 0;
    std::uint32_t EndpointKind = 0; // 2: listening (UDP: a bound port)
    std::uint16_t Reserved46 = 0;
    std::uint32_t TcpState = 0;      // 0 disconnected, 1 connecting out, 2 listening,
                                     // 3 connected in, 4 connected out
    std::uint32_t ConnectionKey = 0; // identifies a TCP connection
};
#pragma pack(pop)
static_assert(sizeof(TTDIStateRecord) == 56);
static_assert(offsetof(TTDIStateRecord, EndpointKind) == 42);
static_assert(offsetof(TTDIStateRecord, TcpState) == 48);

inline constexpr std::uint32_t TDIStateRecordSize = 56;
inline constexpr std::uint32_t MaxTDIStates = 1000; // per read: a 56,000-byte buffer
