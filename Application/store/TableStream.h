#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class TdxMemData;

/// The table stream format: how a table is laid out as bytes inside a rule file. All integers
/// are little-endian; texts are GB18030 (code page 936 is read as well).
///
///   header      "Ver", the format version as an IEEE-754 double (1.7), int32 N
///   N fields    int32 stored width, int16 type code (TFieldType), int16 name length L
///               (with its zero), L bytes: the name and a zero
///   records     until the data ends, no count and no end marker; per field in descriptor order:
///               string  int32 n = length + 1, the text and a zero (a null string is empty)
///               memo    int32 n, the n bytes of the text
///               numbers flag byte (1 present, 0 null), the value in its stored width
///
/// The hidden RecId and derived fields are not saved. A file without the "Ver" header (version
/// 0) has no flag bytes. Reading pairs the file's columns with the table's fields by name, skips
/// unknown columns, leaves fields the file lacks null, cuts a string to its field size, and
/// drops an incomplete last record (the cipher's zero padding never forms a complete one).
namespace TableStream {

inline constexpr char kSignature[3] = {'V', 'e', 'r'};
inline constexpr double kVersion = 1.7;
/// A field name (with its zero) longer than this marks the data as incorrect.
inline constexpr int kMaxNameLength = 255;
inline constexpr char kDataIncorrect[] = "The data is incorrect";

/// The table's descriptors and its records in table order.
std::vector<std::uint8_t> Save(const TdxMemData& table);

/// Replaces the table's content with the records of the data. Raises EDatabaseError "The data
/// is incorrect" for a field name that is too long or a negative length; the table is then open
/// and empty. Every length and count read is checked against the data that is left, so damaged
/// data can neither overrun the buffer nor make the loader allocate more than the data holds.
void Load(TdxMemData& table, std::span<const std::uint8_t> data);

/// The names of the columns the data describes, in descriptor order; empty for version-0 data
/// (which has no header) and wherever the descriptor list ends early. Raises EDatabaseError
/// "The data is incorrect" where Load does.
std::vector<std::string> FieldNames(std::span<const std::uint8_t> data);

} // namespace TableStream
