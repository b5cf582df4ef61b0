#pragma once

#include <cstdint>
#include <string>

class TdxMemData;

/// The fields of the rule tables, in their stored order. The data module defines its tables with
/// these, and the rules tool recognises and builds the same tables.

/// tblAppRules and tblAppRulesEdit: 17 fields, no sort field (records stay in list order).
void DefineAppRulesFields(TdxMemData& table);

/// tblIPRules and tblDefaultIPRules: 23 fields, sorted on OrderID.
void DefineIPRulesFields(TdxMemData& table);

/// tblProtocol: cProtocol, cName, nType, sorted on cProtocol.
void DefineProtocolFields(TdxMemData& table);

/// The sort key of an IP rule: EtherType, ProtocolOnIP and Priority in upper-case hexadecimal of
/// at least 4, 2 and 4 digits, joined by "-" (2048, 6, 26 give "0800-06-001A"). A value wider
/// than its digits, such as a negative one, shows all 8 digits of its 32 bits.
std::string IPRuleOrderID(std::int32_t etherType, std::int32_t protocolOnIP, std::int32_t priority);
