#pragma once

#include "Platform/vrxfw/Driver.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace vrx::vrxfw {

/// A scenario: timed events that drive the stand-in, so the program can be shown at work
/// without real traffic. The text format (README.md beside this file has examples):
///
///     # a comment; blank lines are ignored
///     <time> <event> <arguments...>
///     loop
///
/// <time> is milliseconds from the start ("1500"), or from the event before ("+250"); times
/// never go back. "loop" plays the scenario again from its start once its last event is done.
/// Events, arguments as name=value in any order:
///
///     request <connect|listen|send|udp-send|udp-receive|<number>> pid=<n> [remote=<a.b.c.d>]
///             [port=<n>] [discard]
///     packet <in|out> <tcp|udp|icmp|<number>> [remote=<a.b.c.d>] [local=<port>] [rport=<port>]
///            [flags=<FIN,SYN,RST,PSH,ACK,URG or a number>] [type=<n>] [code=<n>] [length=<n>]
///     endpoint <name> <tcp|udp> [pid=<n>] [local=<port>] [remote=<a.b.c.d>:<port>]
///              [state=<listening|connecting|in|out|disconnected>] [sent=<n>] [received=<n>]
///              [blocked]
///     endpoint <name> remove
///     counters <c0> <c1> <c2> <c3>
///
/// A request is held until the program answers it; a packet is judged against the loaded
/// filter table, counted and logged; "endpoint" adds the named endpoint, or changes it when
/// the name is already there, with keys that stay the same for the name; "counters" adds to
/// the four counters.
struct RequestEvent {
    Operation operation = Operation::TcpConnect;
    std::uint32_t processId = 0;
    std::uint32_t remoteAddress = 0;
    std::uint16_t port = 0;
    Driver::Delivery delivery = Driver::Delivery::Answer;
};
struct PacketEvent {
    Packet packet;
};
struct EndpointEvent {
    std::string name;
    TdiStateRecord record; // its keys are set from the name when applied
};
struct EndpointRemoval {
    std::string name;
};
struct CounterEvent {
    std::uint32_t counter[4] = {};
};

struct ScenarioEvent {
    std::chrono::milliseconds at{0}; // from the start of the scenario
    std::variant<RequestEvent, PacketEvent, EndpointEvent, EndpointRemoval, CounterEvent> what;
};

struct Scenario {
    std::vector<ScenarioEvent> events; // in time order
    bool loop = false;

    /// A line that could not be read: its number (from 1) and what is wrong with it.
    struct Error {
        int line = 0;
        std::string message;
    };
    std::vector<Error> errors; // such lines are left out of the events

    static Scenario parse(const std::string& text);
};

/// Applies events to a driver, keeping the endpoints' names.
class ScenarioRun {
public:
    explicit ScenarioRun(Driver& driver) : driver_(driver) {}
    void apply(const ScenarioEvent& event);

private:
    Driver& driver_;
    std::map<std::string, Driver::EndpointId> endpoints_;
};

} // namespace vrx::vrxfw
