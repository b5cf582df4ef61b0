#pragma once

#include <cstdint>
#include <string>

class TdxMemData;

/// Turns port numbers into service labels such as Telnet[23] by looking them up in the protocol
/// table tblProtocol, whose key field "cProtocol" holds "<protocol>-<port>-<k>" and whose
/// "cName" names the port. The table holds the names for TCP (protocol 6, third number 0); UDP
/// ports are named by the same rows. A lookup moves the table's current row.
class TProtocolDecoder {
public:
    /// Finds the row "<protocol>-<port>-<k>" (letter case ignored) and reads cName of the
    /// current row into Name whether or not it was found (then it is the name of whatever row
    /// is current). A missing table, or one never opened because "Protocol.dat" could not be
    /// read, finds nothing and leaves Name empty.
    bool LocateProtocol(std::int32_t protocol, std::int32_t port, std::int32_t k);

    /// The label of a port: "<name>[<port>]" when the table names it, else the bare number.
    std::string PortName(std::uint16_t port);

    /// The protocol table, not owned; the main form sets it right after construction.
    TdxMemData* Table = nullptr;
    /// The name read by the last lookup.
    std::string Name;
};
