#pragma once

#include <cstdint>
#include <string>

class TdxMemData;

/// The field types. The values are the type codes of the table stream format, so a code read
/// from a file converts directly; this system creates only string, smallint, integer, word,
/// boolean and memo fields, the others are known so that a file's columns can be skipped.
enum class TFieldType : std::int16_t {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftAutoInc = 12,
    ftBlob = 13,
    ftMemo = 14,
    ftGraphic = 15,
    ftFmtMemo = 16,
    ftParadoxOle = 17,
    ftDBaseOle = 18,
    ftTypedBinary = 19,
    ftWideString = 20,
    ftLargeint = 21,
};

/// Data fields hold stored values; calculated and lookup fields are derived and never saved.
enum class TFieldKind { fkData, fkCalculated, fkLookup };

/// One value of a record: a null flag, a number (integer, word, smallint, boolean) or a text
/// (string, memo; UTF-8).
struct TFieldValue {
    bool isNull = true;
    std::int32_t number = 0;
    std::string text;

    friend bool operator==(const TFieldValue&, const TFieldValue&) = default;
};

/// A field of a table: its definition, and access to its value in the table's current record
/// (the edit buffer while the table is in edit or insert state).
class TField {
public:
    TField(TdxMemData& table, int index, std::string name, TFieldType type, int size,
           TFieldKind kind)
        : table_(table), index_(index), name_(std::move(name)), type_(type), size_(size),
          kind_(kind) {}
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    /// The size of a string field in encoded bytes; 0 for every other type.
    int Size() const { return size_; }
    TFieldKind FieldKind() const { return kind_; }
    /// The position in the table's field list; the hidden RecId is 0.
    int Index() const { return index_; }
    TdxMemData& DataSet() const { return table_; }

    /// The bytes a value occupies in a saved file: string size + 1, integer 4, word, smallint
    /// and boolean 2, memo 0.
    int StoredWidth() const;
    bool IsNumeric() const;
    bool IsText() const { return type_ == TFieldType::ftString || type_ == TFieldType::ftMemo; }

    bool IsNull() const;
    std::string AsString() const;
    std::int32_t AsInteger() const;
    bool AsBoolean() const;
    void SetAsString(const std::string& value);
    void SetAsInteger(std::int32_t value);
    void SetAsBoolean(bool value);
    void Clear();

    // Presentation attributes the bound controls read.
    bool Visible = true;
    int DisplayWidth = 0;
    std::string EditMask;

private:
    TdxMemData& table_;
    int index_ = 0;
    std::string name_;
    TFieldType type_ = TFieldType::ftUnknown;
    int size_ = 0;
    TFieldKind kind_ = TFieldKind::fkData;
};
