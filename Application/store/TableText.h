#pragma once

#include <string>
#include <string_view>

class TdxMemData;

/// The tab-separated text format of a table ("Protocol.dat"): lines end in CR LF, CR or LF;
/// values are separated by one TAB. The first line names the columns; every further line is one
/// record with its values in the same column order. The text is GB18030 (code page 936 is read
/// as well).
namespace TableText {

/// A value keeps at most this many characters after its TAB.
inline constexpr std::size_t kMaxValueLength = 1000;

/// Loads the table from the text file. A missing or unreadable file raises EFOpenError or
/// EReadError; see Load for the rest.
void LoadFromTextFile(TdxMemData& table, const std::string& path);

/// Loads the table from the text. Empty text changes nothing (a closed table stays closed).
/// Otherwise the table is cleared and one record is posted per line after the first: a column
/// whose name is not a data field of the table (or names a memo) is ignored, empty values and
/// missing trailing columns stay null, values past the last named column are ignored. A value
/// that does not convert to its field's type raises EDatabaseError and ends the load; the records
/// posted before it stay. The records end up sorted with the cursor on the first.
void Load(TdxMemData& table, std::string_view encoded);

} // namespace TableText
