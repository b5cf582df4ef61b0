#include "Platform/vrxfw/Driver.h"

#include "Platform/os/Kernel.h"
#include "Platform/os/MemoryReferences.h"

#include <algorithm>
#include <cstring>

namespace vrx::vrxfw {

namespace {

std::uint16_t swap16(std::uint16_t value) {
    return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

bool fail(std::uint32_t error) {
    os::setLastError(error);
    return false;
}

// One port pair of a TCP or UDP record against the packet's port.
bool portPairMatches(std::uint16_t first, std::uint16_t second, std::uint16_t port,
                     std::uint8_t protocol, const AllowedPorts& allowed) {
    if (first == 0)
        return true;
    if (first == kAllowedListeningPorts && second == kAllowedListeningPorts)
        return allowed.contains(protocol, port);
    if (second == 0)
        return port == first;
    return first <= port && port <= second;
}

LogRecord logRecordOf(const Packet& packet, const FilterRecord& record) {
    LogRecord log;
    log.etherType = swap16(packet.etherType);
    log.protocol = packet.protocol;
    log.remoteAddress = packet.remoteAddress;
    if (packet.protocol == kProtocolIcmp) {
        log.localPort = static_cast<std::uint16_t>(packet.icmpType | (packet.icmpCode << 8));
    } else {
        log.localPort = packet.localPort;
        log.remotePort = packet.remotePort;
    }
    log.tcpFlags = packet.protocol == kProtocolTcp ? packet.tcpFlags : 0;
    log.direction = static_cast<std::uint8_t>(packet.direction);
    log.action = record.action;
    log.alertType = record.alertType;
    return log;
}

} // namespace

bool AllowedPorts::contains(std::uint8_t protocol, std::uint16_t port) const {
    if (protocol == kProtocolTcp)
        return tcp.contains(port);
    if (protocol == kProtocolUdp)
        return udp.contains(port);
    return false;
}

bool recordMatches(const FilterRecord& record, const Packet& packet, const AllowedPorts& allowed) {
    if (swap16(record.etherType) != packet.etherType)
        return false;
    if (record.protocol != 0 && record.protocol != packet.protocol)
        return false;
    switch (record.direction) {
    case 0:
        if (packet.direction != PacketDirection::Received)
            return false;
        break;
    case 1:
        if (packet.direction != PacketDirection::Sent)
            return false;
        break;
    case 2:
        break;
    default:
        return false;
    }
    if ((packet.remoteAddress & record.remoteMask) != (record.remoteAddress & record.remoteMask))
        return false;
    if (record.protocol == kProtocolTcp || record.protocol == kProtocolUdp) {
        if (!portPairMatches(record.localPort, record.localPort2, packet.localPort, record.protocol,
                             allowed))
            return false;
        if (!portPairMatches(record.remotePort, record.remotePort2, packet.remotePort,
                             record.protocol, allowed))
            return false;
    }
    if (record.protocol == kProtocolTcp && (packet.tcpFlags & record.tcpFlags) != record.tcpFlags)
        return false;
    if (record.protocol == kProtocolIcmp) {
        if (record.icmpType() != 255 && record.icmpType() != packet.icmpType)
            return false;
        if (record.icmpCode() != 255 && record.icmpCode() != packet.icmpCode)
            return false;
    }
    return true;
}

// --- HeldRequest ---

std::optional<std::uint32_t> HeldRequest::waitForVerdict(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    if (!answered_.wait_for(guard, timeout, [this] { return answer_.has_value(); }))
        return std::nullopt;
    return answer_->status;
}

std::optional<AccessRequest> HeldRequest::answer() const {
    std::lock_guard guard(lock_);
    return answer_;
}

bool HeldRequest::discarded() const {
    std::lock_guard guard(lock_);
    return discarded_;
}

// --- Driver ---

Driver::Driver() = default;
Driver::~Driver() = default;

void Driver::setVersion(std::uint32_t version) {
    std::lock_guard guard(lock_);
    version_ = version;
}

bool Driver::control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                     std::uint32_t outLength, std::uint32_t& bytesReturned) {
    bytesReturned = 0;
    switch (code) {
    case code::kGetVersion: {
        if (!out || outLength < 4)
            return fail(os::error::kInsufficientBuffer);
        std::uint32_t version = 0;
        {
            std::lock_guard guard(lock_);
            version = version_;
        }
        std::memcpy(out, &version, 4);
        bytesReturned = 4;
        return true;
    }
    case code::kActivate:
    case code::kDeactivate: {
        std::lock_guard guard(lock_);
        active_ = code == code::kActivate;
        return true;
    }
    case code::kResumeFiltering:
    case code::kSuspendFiltering: {
        std::lock_guard guard(lock_);
        suspended_ = code == code::kSuspendFiltering;
        return true;
    }
    case code::kLoadFilters:
        return loadFilters(in, inLength);
    case code::kReadLog:
        if (!out && outLength > 0)
            return fail(os::error::kInvalidParameter);
        bytesReturned = readLog(out, outLength);
        return true;
    case code::kReadStatistics: {
        if (!out || outLength < sizeof(Statistics))
            return fail(os::error::kInsufficientBuffer);
        takeHostTraffic();
        const Statistics record = statistics();
        std::memcpy(out, &record, sizeof record);
        bytesReturned = sizeof record;
        return true;
    }
    case code::kReadTdiStates:
        if (!out && outLength > 0)
            return fail(os::error::kInvalidParameter);
        bytesReturned = readTdi(out, outLength);
        return true;
    case code::kRegisterEvent:
    case code::kRegisterSecondEvent:
    case code::kRegisterProcess: {
        if (!in || inLength < 4)
            return fail(os::error::kInvalidParameter);
        std::uint32_t value = 0;
        std::memcpy(&value, in, 4);
        std::lock_guard guard(lock_);
        if (code == code::kRegisterEvent) {
            event_ = value;
            signalLocked();
        } else if (code == code::kRegisterSecondEvent) {
            secondEvent_ = value;
        } else {
            clientProcess_ = value;
        }
        return true;
    }
    case code::kFetchRequest:
        return fetch(out, outLength, bytesReturned);
    case code::kAnswerRequest:
        return answer(in, inLength);
    default:
        return fail(kErrorInvalidFunction);
    }
}

bool Driver::loadFilters(const void* in, std::uint32_t inLength) {
    if (!in && inLength > 0)
        return fail(os::error::kInvalidParameter);
    // A partial record or more records than the table holds is refused as a whole; the table
    // loaded before stays in force.
    if (inLength % sizeof(FilterRecord) != 0 || inLength / sizeof(FilterRecord) > kMaxFilterRecords)
        return fail(os::error::kInvalidParameter);
    std::vector<FilterRecord> table(inLength / sizeof(FilterRecord));
    if (inLength > 0)
        std::memcpy(table.data(), in, inLength);
    std::lock_guard guard(lock_);
    table_ = std::move(table);
    tableLoaded_ = true;
    return true;
}

std::uint32_t Driver::readLog(void* out, std::uint32_t outLength) {
    std::lock_guard guard(lock_);
    const std::size_t count =
        std::min<std::size_t>({outLength / sizeof(LogRecord), kMaxLogRecordsPerRead, log_.size()});
    auto* target = static_cast<unsigned char*>(out);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(target + i * sizeof(LogRecord), &log_.front(), sizeof(LogRecord));
        log_.pop_front();
    }
    return static_cast<std::uint32_t>(count * sizeof(LogRecord));
}

std::uint32_t Driver::readTdi(void* out, std::uint32_t outLength) {
    std::shared_ptr<HostView> host;
    {
        std::lock_guard guard(lock_);
        host = host_;
    }
    // The host is asked without the lock: its scan takes a few milliseconds.
    std::vector<TdiStateRecord> hostRecords;
    if (host)
        hostRecords = host->endpoints();
    // The driver's own endpoints come first, so that none of them is cut off by a busy host.
    std::vector<TdiStateRecord> records;
    {
        std::lock_guard guard(lock_);
        for (const auto& [id, record] : endpoints_)
            records.push_back(record);
    }
    records.insert(records.end(), hostRecords.begin(), hostRecords.end());
    const std::size_t count =
        std::min<std::size_t>({outLength / sizeof(TdiStateRecord), kMaxTdiRecords, records.size()});
    if (count > 0)
        std::memcpy(out, records.data(), count * sizeof(TdiStateRecord));
    return static_cast<std::uint32_t>(count * sizeof(TdiStateRecord));
}

void Driver::takeHostTraffic() {
    std::shared_ptr<HostView> host;
    {
        std::lock_guard guard(lock_);
        host = host_;
    }
    if (!host)
        return;
    const HostView::Traffic now = host->traffic();
    std::lock_guard guard(lock_);
    if (hostBaseline_ && now.received >= hostBaseline_->received &&
        now.sent >= hostBaseline_->sent) {
        // Interface traffic counts as let through; only its growth since the last read is added,
        // so the counters start from the driver's own and keep growing.
        counters_[0] += static_cast<std::uint32_t>(now.received - hostBaseline_->received);
        counters_[1] += static_cast<std::uint32_t>(now.sent - hostBaseline_->sent);
    }
    hostBaseline_ = now;
}

bool Driver::fetch(void* out, std::uint32_t outLength, std::uint32_t& bytesReturned) {
    if (!out || outLength < sizeof(AccessRequest))
        return fail(os::error::kInsufficientBuffer);
    std::shared_ptr<HeldRequest> dropped;
    {
        std::lock_guard guard(lock_);
        if (waiting_.empty())
            return true;
        Held next = std::move(waiting_.front());
        waiting_.pop_front();
        std::memcpy(out, &next.record, sizeof next.record);
        bytesReturned = sizeof next.record;
        if (next.record.discard != 0)
            dropped = next.waiter;
        else
            held_.emplace(next.record.requestId, std::move(next));
        // The event stays signalled while requests wait: a client that resets it before each
        // fetch is woken again for the next one, so a burst is not left to its polling interval.
        signalLocked();
    }
    if (dropped) {
        std::lock_guard guard(dropped->lock_);
        dropped->discarded_ = true;
    }
    return true;
}

bool Driver::answer(const void* in, std::uint32_t inLength) {
    if (!in || inLength < 4)
        return fail(os::error::kInvalidParameter);
    os::MemoryReference reference = os::kNoMemoryReference;
    std::memcpy(&reference, in, 4);
    AccessRequest record;
    if (!os::readMemory(reference, 0, &record, sizeof record))
        return fail(os::error::kInvalidParameter);

    std::shared_ptr<HeldRequest> waiter;
    {
        std::lock_guard guard(lock_);
        const auto it = held_.find(record.requestId);
        if (it == held_.end() || record.check != ~record.requestId)
            return fail(os::error::kInvalidParameter);
        waiter = it->second.waiter;
        held_.erase(it);
        if (record.status == kStatusSuccess) {
            if (record.operation == static_cast<std::uint32_t>(Operation::TcpListen))
                allowed_.tcp.insert(record.port);
            else if (record.operation == static_cast<std::uint32_t>(Operation::UdpReceive))
                allowed_.udp.insert(record.port);
        }
    }
    {
        std::lock_guard guard(waiter->lock_);
        waiter->answer_ = record;
    }
    waiter->answered_.notify_all();
    return true;
}

void Driver::signalLocked() {
    if (event_ != os::kInvalidHandle && !waiting_.empty())
        (void)os::setEvent(event_);
}

std::shared_ptr<HeldRequest> Driver::submitRequest(Operation operation, std::uint32_t processId,
                                                   std::uint32_t remoteAddress, std::uint16_t port,
                                                   Delivery delivery) {
    auto waiter = std::make_shared<HeldRequest>();
    std::lock_guard guard(lock_);
    Held held;
    held.record.requestId = nextRequest_++;
    if (nextRequest_ == 0)
        nextRequest_ = 1;
    held.record.check = ~held.record.requestId;
    held.record.discard = delivery == Delivery::Discard ? 1 : 0;
    held.record.answeredDirectly = 0;
    held.record.status = kStatusAccessDenied;
    held.record.remoteAddress = remoteAddress;
    held.record.port = port;
    held.record.operation = static_cast<std::uint32_t>(operation);
    held.record.processId = processId;
    held.waiter = waiter;
    waiting_.push_back(std::move(held));
    signalLocked();
    return waiter;
}

PacketVerdict Driver::presentPacket(const Packet& packet) {
    std::lock_guard guard(lock_);
    PacketVerdict verdict = PacketVerdict::Passed;
    if (active_ && !suspended_ && tableLoaded_) {
        for (const FilterRecord& record : table_) {
            if (!recordMatches(record, packet, allowed_))
                continue;
            if (record.alertType & kAlertLog) {
                if (log_.size() >= kLogQueueLimit)
                    log_.pop_front();
                log_.push_back(logRecordOf(packet, record));
            }
            if (record.action == kActionBlock) {
                verdict = PacketVerdict::Blocked;
                break;
            }
            if (record.action == kActionPass)
                break;
        }
    }
    const int index = (packet.direction == PacketDirection::Received ? 0 : 1) +
                      (verdict == PacketVerdict::Blocked ? 2 : 0);
    counters_[index] += packet.length;
    return verdict;
}

Driver::EndpointId Driver::addEndpoint(const TdiStateRecord& record) {
    std::lock_guard guard(lock_);
    const EndpointId id = nextEndpoint_++;
    endpoints_.emplace(id, record);
    return id;
}

bool Driver::changeEndpoint(EndpointId id, const TdiStateRecord& record) {
    std::lock_guard guard(lock_);
    const auto it = endpoints_.find(id);
    if (it == endpoints_.end())
        return false;
    it->second = record;
    return true;
}

bool Driver::removeEndpoint(EndpointId id) {
    std::lock_guard guard(lock_);
    return endpoints_.erase(id) == 1;
}

void Driver::advanceCounters(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2,
                             std::uint32_t c3) {
    std::lock_guard guard(lock_);
    counters_[0] += c0;
    counters_[1] += c1;
    counters_[2] += c2;
    counters_[3] += c3;
}

void Driver::setHostView(std::shared_ptr<HostView> view) {
    std::lock_guard guard(lock_);
    host_ = std::move(view);
    hostBaseline_.reset();
}

void Driver::closeAllowedPort(std::uint8_t protocol, std::uint16_t port) {
    std::lock_guard guard(lock_);
    if (protocol == kProtocolTcp)
        allowed_.tcp.erase(port);
    else if (protocol == kProtocolUdp)
        allowed_.udp.erase(port);
}

bool Driver::isAllowedPort(std::uint8_t protocol, std::uint16_t port) const {
    std::lock_guard guard(lock_);
    return allowed_.contains(protocol, port);
}

bool Driver::active() const {
    std::lock_guard guard(lock_);
    return active_;
}

bool Driver::suspended() const {
    std::lock_guard guard(lock_);
    return suspended_;
}

bool Driver::tableLoaded() const {
    std::lock_guard guard(lock_);
    return tableLoaded_;
}

std::vector<FilterRecord> Driver::filterTable() const {
    std::lock_guard guard(lock_);
    return table_;
}

std::size_t Driver::pendingLogCount() const {
    std::lock_guard guard(lock_);
    return log_.size();
}

Statistics Driver::statistics() const {
    std::lock_guard guard(lock_);
    Statistics record;
    std::copy(std::begin(counters_), std::end(counters_), record.counter);
    return record;
}

os::Handle Driver::registeredEvent() const {
    std::lock_guard guard(lock_);
    return event_;
}

os::Handle Driver::secondEvent() const {
    std::lock_guard guard(lock_);
    return secondEvent_;
}

std::uint32_t Driver::clientProcessId() const {
    std::lock_guard guard(lock_);
    return clientProcess_;
}

std::size_t Driver::waitingRequestCount() const {
    std::lock_guard guard(lock_);
    return waiting_.size();
}

std::size_t Driver::heldRequestCount() const {
    std::lock_guard guard(lock_);
    return held_.size();
}

} // namespace vrx::vrxfw
