#include "Platform/vrxfw/Scenario.h"

#include <arpa/inet.h>

#include <charconv>
#include <optional>
#include <sstream>

namespace vrx::vrxfw {

namespace {

// A line's trouble, carried out of the parsing functions to the line's loop.
struct LineError {
    std::string message;
};

template <typename T>
T number(const std::string& text, const std::string& what) {
    T value = 0;
    int base = 10;
    std::string_view digits(text);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        throw LineError{"bad " + what + " \"" + text + "\""};
    return value;
}

std::uint32_t address(const std::string& text) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        throw LineError{"bad address \"" + text + "\""};
    return parsed.s_addr; // network byte order
}

std::uint8_t protocol(const std::string& text) {
    if (text == "tcp")
        return kProtocolTcp;
    if (text == "udp")
        return kProtocolUdp;
    if (text == "icmp")
        return kProtocolIcmp;
    return number<std::uint8_t>(text, "protocol");
}

std::uint8_t tcpFlags(const std::string& text) {
    static const std::map<std::string, std::uint8_t> names = {
        {"FIN", 0x01}, {"SYN", 0x02}, {"RST", 0x04}, {"PSH", 0x08}, {"ACK", 0x10}, {"URG", 0x20}};
    if (!text.empty() && text[0] >= '0' && text[0] <= '9')
        return number<std::uint8_t>(text, "flags");
    std::uint8_t flags = 0;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const auto it = names.find(part);
        if (it == names.end())
            throw LineError{"unknown TCP flag \"" + part + "\""};
        flags |= it->second;
    }
    return flags;
}

// The name=value arguments after the fixed words; bare words are flags with an empty value.
class Arguments {
public:
    Arguments(const std::vector<std::string>& words, std::size_t from) {
        for (std::size_t i = from; i < words.size(); ++i) {
            const auto equals = words[i].find('=');
            const std::string name = words[i].substr(0, equals);
            if (!values_
                     .emplace(name, equals == std::string::npos ? std::string()
                                                                : words[i].substr(equals + 1))
                     .second)
                throw LineError{"\"" + name + "\" given twice"};
        }
    }
    std::optional<std::string> take(const std::string& name) {
        const auto it = values_.find(name);
        if (it == values_.end())
            return std::nullopt;
        std::string value = it->second;
        values_.erase(it);
        return value;
    }
    bool flag(const std::string& name) { return take(name).has_value(); }
    // Every argument must have been used: a misspelt one is an error, not silently ignored.
    void finish() const {
        if (!values_.empty())
            throw LineError{"unknown argument \"" + values_.begin()->first + "\""};
    }

private:
    std::map<std::string, std::string> values_;
};

const std::string& word(const std::vector<std::string>& words, std::size_t index,
                        const char* what) {
    if (index >= words.size())
        throw LineError{std::string("missing ") + what};
    return words[index];
}

RequestEvent request(const std::vector<std::string>& words) {
    static const std::map<std::string, Operation> operations = {
        {"connect", Operation::TcpConnect},
        {"listen", Operation::TcpListen},
        {"send", Operation::TcpSend},
        {"udp-send", Operation::UdpSend},
        {"udp-receive", Operation::UdpReceive}};
    RequestEvent event;
    const std::string& operation = word(words, 2, "operation");
    const auto it = operations.find(operation);
    event.operation = it != operations.end()
                          ? it->second
                          : static_cast<Operation>(number<std::uint32_t>(operation, "operation"));
    Arguments args(words, 3);
    const auto pid = args.take("pid");
    if (!pid)
        throw LineError{"missing pid="};
    event.processId = number<std::uint32_t>(*pid, "pid");
    if (const auto remote = args.take("remote"))
        event.remoteAddress = address(*remote);
    if (const auto port = args.take("port"))
        event.port = number<std::uint16_t>(*port, "port");
    if (args.flag("discard"))
        event.delivery = Driver::Delivery::Discard;
    args.finish();
    return event;
}

PacketEvent packet(const std::vector<std::string>& words) {
    PacketEvent event;
    Packet& p = event.packet;
    const std::string& direction = word(words, 2, "direction");
    if (direction == "in")
        p.direction = PacketDirection::Received;
    else if (direction == "out")
        p.direction = PacketDirection::Sent;
    else
        throw LineError{"direction must be in or out, not \"" + direction + "\""};
    p.protocol = protocol(word(words, 3, "protocol"));
    p.tcpFlags = 0;
    p.length = 60;
    Arguments args(words, 4);
    if (const auto remote = args.take("remote"))
        p.remoteAddress = address(*remote);
    if (const auto local = args.take("local"))
        p.localPort = number<std::uint16_t>(*local, "port");
    if (const auto remote = args.take("rport"))
        p.remotePort = number<std::uint16_t>(*remote, "port");
    if (const auto flags = args.take("flags"))
        p.tcpFlags = tcpFlags(*flags);
    if (const auto type = args.take("type"))
        p.icmpType = number<std::uint8_t>(*type, "ICMP type");
    if (const auto code = args.take("code"))
        p.icmpCode = number<std::uint8_t>(*code, "ICMP code");
    if (const auto length = args.take("length"))
        p.length = number<std::uint32_t>(*length, "length");
    args.finish();
    return event;
}

using EventKind =
    std::variant<RequestEvent, PacketEvent, EndpointEvent, EndpointRemoval, CounterEvent>;

EventKind endpoint(const std::vector<std::string>& words) {
    static const std::map<std::string, TcpState> states = {
        {"listening", TcpState::Listening},
        {"connecting", TcpState::ConnectingOut},
        {"in", TcpState::ConnectedIn},
        {"out", TcpState::ConnectedOut},
        {"disconnected", TcpState::Disconnected}};
    const std::string& name = word(words, 2, "endpoint name");
    const std::string& kind = word(words, 3, "tcp, udp or remove");
    if (kind == "remove") {
        Arguments(words, 4).finish();
        return EndpointRemoval{name};
    }
    EndpointEvent event;
    event.name = name;
    TdiStateRecord& r = event.record;
    if (kind != "tcp" && kind != "udp")
        throw LineError{"endpoint needs tcp, udp or remove, not \"" + kind + "\""};
    r.protocol = kind == "tcp" ? kProtocolTcp : kProtocolUdp;
    Arguments args(words, 4);
    if (const auto pid = args.take("pid"))
        r.processId = number<std::uint32_t>(*pid, "pid");
    if (const auto local = args.take("local"))
        r.localPort = number<std::uint16_t>(*local, "port");
    if (const auto remote = args.take("remote")) {
        const auto colon = remote->find(':');
        if (colon == std::string::npos)
            throw LineError{"remote needs <address>:<port>"};
        r.remoteAddress = address(remote->substr(0, colon));
        r.remotePort = number<std::uint16_t>(remote->substr(colon + 1), "port");
    }
    TcpState state = r.protocol == kProtocolTcp && r.remoteAddress == 0 ? TcpState::Listening
                                                                        : TcpState::ConnectedOut;
    if (const auto given = args.take("state")) {
        const auto it = states.find(*given);
        if (it == states.end())
            throw LineError{"unknown state \"" + *given + "\""};
        state = it->second;
    }
    if (const auto sent = args.take("sent"))
        r.bytesSent = number<std::uint32_t>(*sent, "byte count");
    if (const auto received = args.take("received"))
        r.bytesReceived = number<std::uint32_t>(*received, "byte count");
    r.blocked = args.flag("blocked") ? 1 : 0;
    args.finish();
    if (r.protocol == kProtocolTcp) {
        r.tcpState = static_cast<std::uint32_t>(state);
        r.endpointKind = state == TcpState::Listening ? kEndpointListening : kEndpointConnection;
    } else {
        r.endpointKind = kEndpointListening; // a bound port
    }
    return event;
}

CounterEvent counters(const std::vector<std::string>& words) {
    CounterEvent event;
    for (std::size_t i = 0; i < 4; ++i)
        event.counter[i] = number<std::uint32_t>(word(words, 2 + i, "four counters"), "counter");
    if (words.size() > 6)
        throw LineError{"counters takes four numbers"};
    return event;
}

// FNV-1a of the endpoint's name: its keys stay the same while the scenario changes it.
std::uint32_t keyOf(const std::string& name, std::uint32_t salt) {
    std::uint32_t hash = 2166136261u ^ salt;
    for (const unsigned char c : name) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

Scenario Scenario::parse(const std::string& text) {
    Scenario scenario;
    std::istringstream lines(text);
    std::string line;
    std::chrono::milliseconds last{0};
    for (int lineNumber = 1; std::getline(lines, line); ++lineNumber) {
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        std::istringstream split(line);
        std::vector<std::string> words;
        for (std::string w; split >> w;)
            words.push_back(w);
        if (words.empty())
            continue;
        try {
            if (words[0] == "loop") {
                if (words.size() > 1)
                    throw LineError{"loop takes nothing after it"};
                scenario.loop = true;
                continue;
            }
            const bool relative = words[0][0] == '+';
            const auto amount = std::chrono::milliseconds(
                number<std::uint32_t>(relative ? words[0].substr(1) : words[0], "time"));
            const auto at = relative ? last + amount : amount;
            if (at < last)
                throw LineError{"time goes back"};
            ScenarioEvent event;
            event.at = at;
            const std::string& kind = word(words, 1, "event");
            if (kind == "request")
                event.what = request(words);
            else if (kind == "packet")
                event.what = packet(words);
            else if (kind == "endpoint")
                event.what = endpoint(words);
            else if (kind == "counters")
                event.what = counters(words);
            else
                throw LineError{"unknown event \"" + kind + "\""};
            scenario.events.push_back(std::move(event));
            last = at;
        } catch (const LineError& error) {
            scenario.errors.push_back({lineNumber, error.message});
        }
    }
    return scenario;
}

void ScenarioRun::apply(const ScenarioEvent& event) {
    if (const auto* r = std::get_if<RequestEvent>(&event.what)) {
        (void)driver_.submitRequest(r->operation, r->processId, r->remoteAddress, r->port,
                                    r->delivery);
    } else if (const auto* p = std::get_if<PacketEvent>(&event.what)) {
        (void)driver_.presentPacket(p->packet);
    } else if (const auto* e = std::get_if<EndpointEvent>(&event.what)) {
        TdiStateRecord record = e->record;
        record.addressKey = keyOf(e->name, 1);
        record.connectionKey = keyOf(e->name, 2);
        const auto it = endpoints_.find(e->name);
        if (it == endpoints_.end() || !driver_.changeEndpoint(it->second, record))
            endpoints_[e->name] = driver_.addEndpoint(record);
    } else if (const auto* removal = std::get_if<EndpointRemoval>(&event.what)) {
        const auto it = endpoints_.find(removal->name);
        if (it != endpoints_.end()) {
            (void)driver_.removeEndpoint(it->second);
            endpoints_.erase(it);
        }
    } else if (const auto* c = std::get_if<CounterEvent>(&event.what)) {
        driver_.advanceCounters(c->counter[0], c->counter[1], c->counter[2], c->counter[3]);
    }
}

} // namespace vrx::vrxfw
