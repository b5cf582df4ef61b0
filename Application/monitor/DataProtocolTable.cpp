#include "Application/monitor/DataProtocolTable.h"

#include "Application/store/MemData.h"

bool TDataProtocolTable::LocateKey(const std::string& key) {
    return table_.Active() && table_.Locate("cProtocol", key, TLocateOptions::CaseInsensitive);
}

std::string TDataProtocolTable::CurrentName() const {
    if (!table_.Active() || table_.IsEmpty())
        return {};
    return table_.FieldByName("cName")->AsString();
}
