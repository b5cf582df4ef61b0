#pragma once

class TdxMemData;

/// The fields of the rule tables, in their stored order. The data module defines its tables with
/// these, and the rules tool recognises and builds the same tables.

/// tblAppRules and tblAppRulesEdit: 17 fields, no sort field (records stay in list order).
void DefineAppRulesFields(TdxMemData& table);

/// tblIPRules and tblDefaultIPRules: 23 fields, sorted on OrderID.
void DefineIPRulesFields(TdxMemData& table);

/// tblProtocol: cProtocol, cName, nType, sorted on cProtocol.
void DefineProtocolFields(TdxMemData& table);
