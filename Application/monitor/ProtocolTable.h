#pragma once

#include <string>

/// What the port-name decoder needs of the protocol table tblProtocol: its rows are keyed by
/// the text field "cProtocol" ("<protocol>-<port>-<k>") and name their port in "cName".
class TProtocolTable {
public:
    virtual ~TProtocolTable() = default;

    /// Moves the table's current row to the first row whose cProtocol equals the key, letter
    /// case ignored; reports whether there is one (the current row stays otherwise).
    virtual bool LocateKey(const std::string& key) = 0;
    /// cName of the current row as text; empty when the table has no rows or the field is null.
    virtual std::string CurrentName() const = 0;
};
