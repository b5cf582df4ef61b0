#pragma once

#include "Platform/os/Handles.h"
#include "Platform/vrxfw/Protocol.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace vrx::vrxfw {

/// A packet presented to the filter. Addresses are in network byte order, ports as numbers.
enum class PacketDirection : std::uint8_t { Received = 0, Sent = 1 };

struct Packet {
    std::uint16_t etherType = kEtherTypeIpv4;
    std::uint8_t protocol = kProtocolTcp;
    PacketDirection direction = PacketDirection::Received;
    std::uint32_t remoteAddress = 0;
    std::uint16_t localPort = 0;
    std::uint16_t remotePort = 0;
    std::uint8_t tcpFlags = 0;
    std::uint8_t icmpType = 0;
    std::uint8_t icmpCode = 0;
    std::uint32_t length = 0; // bytes, for the counters
};

enum class PacketVerdict { Passed, Blocked };

/// An access request the driver holds until the program answers it.
class HeldRequest {
public:
    /// The record's Status once answered: kStatusSuccess lets the operation proceed, any other
    /// value fails it. Empty when the timeout passed first; the request stays held.
    std::optional<std::uint32_t> waitForVerdict(std::chrono::milliseconds timeout);
    /// The record as the answer left it (AnsweredDirectly and Status included), once answered.
    std::optional<AccessRequest> answer() const;
    /// Whether the program dropped it as a discarded record: it is handed out, never answered.
    bool discarded() const;

private:
    friend class Driver;
    mutable std::mutex lock_;
    std::condition_variable answered_;
    std::optional<AccessRequest> answer_;
    bool discarded_ = false;
};

/// What the driver sees of the host beyond its own activity (see HostObserver.h).
class HostView {
public:
    virtual ~HostView() = default;
    /// Every endpoint of the machine, as records.
    virtual std::vector<TdiStateRecord> endpoints() = 0;
    /// Bytes received and sent by the machine's interfaces since some fixed moment.
    struct Traffic {
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
    };
    virtual Traffic traffic() = 0;
};

/// The listening ports of programs whose listen (TCP) or receive (UDP) request was allowed.
struct AllowedPorts {
    std::set<std::uint16_t> tcp;
    std::set<std::uint16_t> udp;
    bool contains(std::uint8_t protocol, std::uint16_t port) const;
};

/// The stand-in firewall driver's state and its device protocol.
///
/// It keeps what the driver keeps: the version word, the active and suspended flags, the
/// loaded filter table, the queue of log records, the four counters, the endpoint table, the
/// registered events and client process, and the access requests it holds. `control` serves
/// the control codes of both families (the control protocol and the request channel); the
/// other public operations are the sources of activity that tests and scenarios drive.
///
/// Every operation may be called from any thread; one lock guards the state and no call waits
/// while holding it.
class Driver {
public:
    Driver();
    ~Driver();

    /// The version word answered to kGetVersion (kDriverVersion unless changed).
    void setVersion(std::uint32_t version);

    /// Serves one control call. False with the last error set when the call is refused:
    /// kErrorInvalidFunction for an unknown code, 87 for a missing or malformed input,
    /// 122 for an output buffer too small for the fixed record it must receive.
    bool control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                 std::uint32_t outLength, std::uint32_t& bytesReturned);

    // --- sources of activity ---

    /// Holds a socket operation and asks the program: the request waits for a fetch, the
    /// registered event is signalled (and signalled again after every fetch while requests
    /// still wait). The record's own requestId, check, discard and status are
    /// set by the driver (a discarded one is marked so, and is never answered).
    enum class Delivery { Answer, Discard };
    std::shared_ptr<HeldRequest> submitRequest(Operation operation, std::uint32_t processId,
                                               std::uint32_t remoteAddress, std::uint16_t port,
                                               Delivery delivery = Delivery::Answer);

    /// Judges a packet against the filter table, counts it, and logs it where a record asks.
    ///
    /// Records are tried in table order; the first record that matches decides (action 0
    /// blocks, 1 lets through), except that any other action logs (if asked) and goes on with
    /// the next record. A packet that no record decides passes, and so does every packet while
    /// the driver is inactive, filtering is suspended or no table was loaded. A record matches
    /// when all of these hold:
    /// - EtherType equal; protocol 0 matches every packet, another value only that protocol;
    /// - direction 0 matches received packets, 1 sent ones, 2 both (other values none);
    /// - (remote address AND mask) equals (record's address AND mask): mask 0 is any address;
    /// - TCP and UDP records: each port pair (local: bytes 13 and 30, remote: 15 and 32) is no
    ///   condition when its first port is 0, one port when its second port is 0, the inclusive
    ///   range otherwise; the pair 65535-65535 means one of the allowed listening ports;
    /// - TCP records: the packet carries every flag of the record (0 is no condition);
    /// - ICMP records: type equal unless the record's is 255, code equal unless it is 255.
    /// A matching record with the log bit 0x01 queues a log record: the packet's fields in the
    /// filter-record layout, with the record's action and alert bits.
    ///
    /// Counted in c0 (received, passed), c1 (sent, passed), c2 (received, blocked) or c3
    /// (sent, blocked) by its length.
    PacketVerdict presentPacket(const Packet& packet);

    /// Endpoints of the TDI table, in the order added.
    using EndpointId = std::uint32_t;
    EndpointId addEndpoint(const TdiStateRecord& record);
    bool changeEndpoint(EndpointId id, const TdiStateRecord& record);
    bool removeEndpoint(EndpointId id);

    /// Adds to the four counters (wrapping).
    void advanceCounters(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3);

    /// Lets the host's endpoints and traffic show as well (null: only the driver's own).
    void setHostView(std::shared_ptr<HostView> view);

    /// A listening port of a program whose listen (TCP) or receive (UDP) request was allowed;
    /// the filter's port pair 65535-65535 means these. Closing removes one.
    void closeAllowedPort(std::uint8_t protocol, std::uint16_t port);
    bool isAllowedPort(std::uint8_t protocol, std::uint16_t port) const;

    // --- state, for tests and diagnostics ---
    bool active() const;
    bool suspended() const;
    bool tableLoaded() const;
    std::vector<FilterRecord> filterTable() const;
    std::size_t pendingLogCount() const;
    Statistics statistics() const;
    os::Handle registeredEvent() const;
    os::Handle secondEvent() const;
    std::uint32_t clientProcessId() const;
    std::size_t waitingRequestCount() const; // submitted, not yet fetched
    std::size_t heldRequestCount() const;    // fetched, not yet answered

    /// The most log records kept for reading; older ones are dropped first.
    static constexpr std::size_t kLogQueueLimit = 1000;

private:
    struct Held {
        AccessRequest record;
        std::shared_ptr<HeldRequest> waiter;
    };

    bool fetch(void* out, std::uint32_t outLength, std::uint32_t& bytesReturned);
    bool answer(const void* in, std::uint32_t inLength);
    bool loadFilters(const void* in, std::uint32_t inLength);
    std::uint32_t readLog(void* out, std::uint32_t outLength);
    std::uint32_t readTdi(void* out, std::uint32_t outLength);
    void takeHostTraffic(); // caller holds the lock
    void signalLocked();    // caller holds the lock

    mutable std::mutex lock_;
    std::uint32_t version_ = kDriverVersion;
    bool active_ = false;
    bool suspended_ = false;
    bool tableLoaded_ = false;
    std::vector<FilterRecord> table_;
    std::deque<LogRecord> log_;
    std::uint32_t counters_[4] = {};
    std::map<EndpointId, TdiStateRecord> endpoints_;
    EndpointId nextEndpoint_ = 1;
    os::Handle event_ = os::kInvalidHandle;
    os::Handle secondEvent_ = os::kInvalidHandle;
    std::uint32_t clientProcess_ = 0;
    std::deque<Held> waiting_;
    std::map<std::uint32_t, Held> held_;
    std::uint32_t nextRequest_ = 1;
    AllowedPorts allowed_;
    std::shared_ptr<HostView> host_;
    std::optional<HostView::Traffic> hostBaseline_;
};

/// Whether a filter record matches a packet (the rules are given at Driver::presentPacket).
bool recordMatches(const FilterRecord& record, const Packet& packet, const AllowedPorts& allowed);

} // namespace vrx::vrxfw
