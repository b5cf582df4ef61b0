#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The device protocol of the firewall driver, as the stand-in serves it: control codes, the
// records that travel with them, and their limits. Every integer is little-endian; addresses
// and the EtherType are in network byte order as noted. The records are packed, so they can be
// copied to and from the callers' buffers byte for byte.

static_assert(std::endian::native == std::endian::little,
              "the records are laid out for a little-endian host");

namespace vrx::vrxfw {

/// The version word the driver reports; the program accepts no other.
inline constexpr std::uint32_t kDriverVersion = 0x02000406u;

/// Control codes: device type 0x7106, buffered transfer, function number in bits 2 to 13.
namespace code {
// Control protocol (no access bits).
inline constexpr std::uint32_t kGetVersion = 0x71060000u;
inline constexpr std::uint32_t kActivate = 0x71060004u;
inline constexpr std::uint32_t kDeactivate = 0x71060008u;
inline constexpr std::uint32_t kLoadFilters = 0x71060400u;
inline constexpr std::uint32_t kResumeFiltering = 0x71060404u;
inline constexpr std::uint32_t kSuspendFiltering = 0x71060408u;
inline constexpr std::uint32_t kReadLog = 0x7106040Cu;
inline constexpr std::uint32_t kReadStatistics = 0x71060410u;
inline constexpr std::uint32_t kReadTdiStates = 0x71060414u;
// Request channel (access bits 3: read and write).
inline constexpr std::uint32_t kRegisterEvent = 0x7106C808u;
inline constexpr std::uint32_t kRegisterSecondEvent = 0x7106C80Cu;
inline constexpr std::uint32_t kFetchRequest = 0x7106C810u;
inline constexpr std::uint32_t kAnswerRequest = 0x7106C814u;
inline constexpr std::uint32_t kRegisterProcess = 0x7106C81Cu;
} // namespace code

/// The platform's "invalid function": the answer to a code the driver does not know.
inline constexpr std::uint32_t kErrorInvalidFunction = 1;

inline constexpr std::uint32_t kStatusSuccess = 0;
inline constexpr std::uint32_t kStatusAccessDenied = 0xC0000022u;

/// One filter record (and, in the same layout, one log record): 34 bytes.
#pragma pack(push, 1)
struct FilterRecord {
    std::uint16_t etherType = 0;     // network byte order: bytes 08 00 for IPv4
    std::uint16_t reserved2 = 0;     // always 0
    std::uint8_t protocol = 0;       // IP protocol; 0 = every IP packet
    std::uint32_t reserved5 = 0;     // always 0
    std::uint32_t remoteAddress = 0; // network byte order
    std::uint16_t localPort = 0;     // ICMP: byte 13 the type, byte 14 the code
    std::uint16_t remotePort = 0;
    std::uint8_t tcpFlags = 0;     // FIN 0x01, SYN 0x02, RST 0x04, PSH 0x08, ACK 0x10, URG 0x20
    std::uint8_t direction = 0;    // 0 received, 1 sent, 2 both
    std::uint8_t action = 0;       // 0 block, 1 pass, other values: go on with the next record
    std::uint8_t alertType = 0;    // 0x01 log, 0x04 alert, 0x08 sound
    std::uint8_t reserved21 = 0;   // always 0
    std::uint32_t reserved22 = 0;  // always 0
    std::uint32_t remoteMask = 0;  // network byte order
    std::uint16_t localPort2 = 0;  // last port of the local range
    std::uint16_t remotePort2 = 0; // last port of the remote range

    std::uint8_t icmpType() const { return static_cast<std::uint8_t>(localPort & 0xFF); }
    std::uint8_t icmpCode() const { return static_cast<std::uint8_t>(localPort >> 8); }
};
#pragma pack(pop)
static_assert(sizeof(FilterRecord) == 34);
using LogRecord = FilterRecord;

inline constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
inline constexpr std::uint8_t kAlertLog = 0x01;
inline constexpr std::uint8_t kActionBlock = 0;
inline constexpr std::uint8_t kActionPass = 1;
inline constexpr std::uint16_t kAllowedListeningPorts = 65535; // as both ports of a pair

inline constexpr std::uint8_t kProtocolIcmp = 1;
inline constexpr std::uint8_t kProtocolTcp = 6;
inline constexpr std::uint8_t kProtocolUdp = 17;

inline constexpr std::uint32_t kMaxFilterRecords = 1000;
inline constexpr std::uint32_t kMaxLogRecordsPerRead = 50;

/// The statistics record: four cumulative counters that wrap at 2^32.
/// c0 bytes received and let through, c1 bytes sent and let through, c2 bytes received and
/// blocked, c3 bytes sent and blocked; so c0 + c2 is all traffic in and c1 + c3 all traffic out.
struct Statistics {
    std::uint32_t counter[4] = {};
};
static_assert(sizeof(Statistics) == 16);

/// What a held socket operation attempts.
enum class Operation : std::uint32_t {
    TcpConnect = 0,
    TcpListen = 1,
    TcpSend = 2,
    UdpSend = 3,
    UdpReceive = 4,
};

/// One access request as the driver hands it out and gets it back: 28 bytes. The stand-in
/// uses the first driver-data word as the request's number, by which it finds the held
/// operation when the answer comes back, and the second as a check word.
#pragma pack(push, 1)
struct AccessRequest {
    std::uint32_t requestId = 0;                // driver data
    std::uint8_t discard = 0;                   // non-zero: the program drops the record unanswered
    std::uint8_t answeredDirectly = 0;          // written by the program
    std::uint32_t status = kStatusAccessDenied; // written by the program: the verdict
    std::uint32_t remoteAddress = 0;            // network byte order
    std::uint16_t port = 0;  // remote port (connect, sends), local port (listen, receive)
    std::uint32_t check = 0; // driver data: the request number's complement
    std::uint32_t operation = 0;
    std::uint32_t processId = 0;
};
#pragma pack(pop)
static_assert(sizeof(AccessRequest) == 28);

/// The answer's input: bytes 0-3 a reference to the answered record in the caller's memory
/// (see Platform/os/MemoryReferences.h), bytes 4-27 zero.
inline constexpr std::uint32_t kAnswerLength = 28;

/// What an endpoint record's kind and TCP state say.
inline constexpr std::uint32_t kEndpointListening = 2; // listening (UDP: a bound port)
inline constexpr std::uint32_t kEndpointConnection = 1;
enum class TcpState : std::uint32_t {
    Disconnected = 0,
    ConnectingOut = 1,
    Listening = 2,
    ConnectedIn = 3,
    ConnectedOut = 4,
};

/// One network endpoint: 56 bytes.
#pragma pack(push, 1)
struct TdiStateRecord {
    std::uint32_t addressKey = 0; // identifies the endpoint
    std::uint32_t processId = 0;  // 0: the system, or an owner that cannot be seen
    std::uint32_t reserved8 = 0;
    std::uint32_t blocked = 0;       // 1: tried to listen and was refused
    std::uint32_t protocol = 0;      // 6 TCP, 17 UDP
    std::uint32_t remoteAddress = 0; // network byte order; 0 none
    std::uint32_t localAddress = 0;  // network byte order (not read by the program)
    std::uint32_t bytesSent = 0;
    std::uint32_t bytesReceived = 0;
    std::uint16_t remotePort = 0;
    std::uint16_t localPort = 0;
    std::uint16_t reserved40 = 0;
    std::uint32_t endpointKind = 0; // at offset 42
    std::uint16_t reserved46 = 0;
    std::uint32_t tcpState = 0;      // TcpState, TCP only
    std::uint32_t connectionKey = 0; // identifies a TCP connection
};
#pragma pack(pop)
static_assert(sizeof(TdiStateRecord) == 56);
static_assert(offsetof(TdiStateRecord, endpointKind) == 42);
static_assert(offsetof(TdiStateRecord, tcpState) == 48);

inline constexpr std::uint32_t kMaxTdiRecords = 1000;

} // namespace vrx::vrxfw
