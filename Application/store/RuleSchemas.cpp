#include "Application/store/RuleSchemas.h"

#include "Application/store/MemData.h"

#include <cstdio>

namespace {

// The edit mask of the address fields: four three-digit groups, the dots stored, blank as the
// placeholder.
constexpr char kAddressEditMask[] = "000\\.000\\.000\\.000;1; ";

// Upper-case hexadecimal of the value's 32 bits, at least `digits` digits.
std::string Hex(std::int32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

} // namespace

std::string IPRuleOrderID(std::int32_t etherType, std::int32_t protocolOnIP,
                          std::int32_t priority) {
    return Hex(etherType, 4) + "-" + Hex(protocolOnIP, 2) + "-" + Hex(priority, 4);
}

void DefineAppRulesFields(TdxMemData& table) {
    using enum TFieldType;
    table.AddField("cAppName", ftString, 40);
    table.AddField("cAppModuleName", ftString, 250);
    table.AddField("cAppDesc", ftString, 50);
    table.AddField("cAppVer", ftString, 10);
    table.AddField("nLength", ftInteger);
    table.AddField("cMD5ChkSum", ftString, 16);
    table.AddField("bTCPConnect", ftBoolean);
    table.AddField("bTCPListen", ftBoolean);
    table.AddField("bUDPSend", ftBoolean);
    table.AddField("bUDPReceive", ftBoolean);
    table.AddField("nTCPConnectPortType", ftInteger);
    table.AddField("nTCPConnectPortStart", ftWord);
    table.AddField("nTCPConnectPortEnd", ftWord);
    table.AddField("mTCPConnectPortList", ftString, 20);
    table.AddField("cDesc", ftMemo);
    table.AddField("nActionWhenNotMatch", ftWord);
    table.AddField("nActionWhenAccessNet", ftWord);
}

void DefineIPRulesFields(TdxMemData& table) {
    using enum TFieldType;
    table.AddField("Name", ftString, 50);
    table.AddField("FilterDesc", ftString, 250)->DisplayWidth = 50;
    table.AddField("OrderID", ftString, 20);
    table.AddField("RemoteIPType", ftInteger);
    table.AddField("RemoteIP", ftString, 15)->EditMask = kAddressEditMask;
    table.AddField("RemoteIPMask", ftString, 15)->EditMask = kAddressEditMask;
    for (const char* name :
         {"RemotePort", "RemotePort2", "LocalPort", "LocalPort2", "EtherType", "ProtocolOnIP",
          "TCPFlags", "ICMPType", "ICMPCode", "FilterAction", "AlertType", "Direction", "Priority"})
        table.AddField(name, ftInteger);
    table.AddField("Use", ftSmallint);
    table.AddField("High", ftBoolean);
    table.AddField("Middle", ftBoolean);
    table.AddField("Low", ftBoolean);
    table.SetSortedField("OrderID");
}

void DefineProtocolFields(TdxMemData& table) {
    using enum TFieldType;
    table.AddField("cProtocol", ftString, 15);
    table.AddField("cName", ftString, 30);
    table.AddField("nType", ftSmallint);
    table.SetSortedField("cProtocol");
}
