#pragma once

#include <cstdint>
#include <string>

class TProtocolTable;

/// Turns port numbers into service labels such as Telnet[23] by looking them up in the protocol
/// table. The table holds the names for TCP (protocol 6, third number 0); UDP ports are named
/// by the same rows. A lookup moves the table's current row.
class TProtocolDecoder {
public:
    /// Finds the row "<protocol>-<port>-<k>" and reads cName of the current row into Name
    /// whether or not it was found (then it is the name of whatever row is current). False
    /// without a table.
    bool LocateProtocol(std::int32_t protocol, std::int32_t port, std::int32_t k);

    /// The label of a port: "<name>[<port>]" when the table names it, else the bare number.
    std::string PortName(std::uint16_t port);

    /// The protocol table, not owned; the main form sets it right after construction.
    TProtocolTable* Table = nullptr;
    /// The name read by the last lookup.
    std::string Name;
};
