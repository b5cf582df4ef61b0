#pragma once

#include "Application/monitor/ProtocolTable.h"

class TdxMemData;

/// The port-name decoder's view of the data module's tblProtocol.
class TDataProtocolTable final : public TProtocolTable {
public:
    explicit TDataProtocolTable(TdxMemData& table) : table_(table) {}
    bool LocateKey(const std::string& key) override;
    std::string CurrentName() const override;

private:
    TdxMemData& table_;
};
