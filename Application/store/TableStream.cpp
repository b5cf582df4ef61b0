#include "Application/store/TableStream.h"

#include "Application/store/DatabaseError.h"
#include "Application/store/FileText.h"
#include "Application/store/MemData.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace TableStream {
namespace {

static_assert(std::endian::native == std::endian::little, "the format is little-endian");

// --- Writing ---

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    void Bytes(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), bytes, bytes + size);
    }
    template <typename T>
    void Value(T value) {
        Bytes(&value, sizeof value);
    }
    void Zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }

private:
    std::vector<std::uint8_t>& out_;
};

std::vector<const TField*> SavedFields(const TdxMemData& table) {
    std::vector<const TField*> fields;
    for (int i = 1; i < table.FieldCount(); ++i)
        if (table.Fields(i)->FieldKind() == TFieldKind::fkData)
            fields.push_back(table.Fields(i));
    return fields;
}

void WriteValue(Writer& writer, const TField& field, const TFieldValue& value) {
    switch (field.DataType()) {
    case TFieldType::ftString: {
        const std::string encoded = EncodeFileText(value.text);
        writer.Value(static_cast<std::int32_t>(encoded.size() + 1));
        writer.Bytes(encoded.data(), encoded.size());
        writer.Zeros(1);
        return;
    }
    case TFieldType::ftMemo: {
        const std::string encoded = EncodeFileText(value.text);
        writer.Value(static_cast<std::int32_t>(encoded.size()));
        writer.Bytes(encoded.data(), encoded.size());
        return;
    }
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        writer.Value<std::uint8_t>(value.isNull ? 0 : 1);
        writer.Value<std::int32_t>(value.isNull ? 0 : value.number);
        return;
    case TFieldType::ftWord:
        writer.Value<std::uint8_t>(value.isNull ? 0 : 1);
        writer.Value<std::uint16_t>(value.isNull ? 0 : static_cast<std::uint16_t>(value.number));
        return;
    case TFieldType::ftSmallint:
        writer.Value<std::uint8_t>(value.isNull ? 0 : 1);
        writer.Value<std::int16_t>(value.isNull ? 0 : static_cast<std::int16_t>(value.number));
        return;
    case TFieldType::ftBoolean:
        writer.Value<std::uint8_t>(value.isNull ? 0 : 1);
        writer.Value<std::uint16_t>(value.isNull || value.number == 0 ? 0 : 1);
        return;
    default:
        throw EDatabaseError("Field '" + field.FieldName() + "' has a type that cannot be saved");
    }
}

// --- Reading ---

// Reads from the data without ever going past its end; every read reports whether the whole
// item was there.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
    std::size_t Position() const { return pos_; }
    std::size_t Left() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }
    void Rewind() { pos_ = 0; }

    template <typename T>
    std::optional<T> Value() {
        if (Left() < sizeof(T))
            return std::nullopt;
        T value;
        std::memcpy(&value, data_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    std::optional<std::string_view> Bytes(std::size_t count) {
        if (Left() < count)
            return std::nullopt;
        std::string_view bytes(reinterpret_cast<const char*>(data_.data() + pos_), count);
        pos_ += count;
        return bytes;
    }
    bool Skip(std::size_t count) { return Bytes(count).has_value(); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

[[noreturn]] void DataIncorrect() {
    throw EDatabaseError(kDataIncorrect);
}

bool IsLengthPrefixed(std::int16_t code) {
    switch (static_cast<TFieldType>(code)) {
    case TFieldType::ftString:
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftWideString:
        return true;
    default:
        return false;
    }
}

bool IsIntegerCode(std::int16_t code) {
    switch (static_cast<TFieldType>(code)) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean:
    case TFieldType::ftAutoInc:
        return true;
    default:
        return false;
    }
}

struct Column {
    std::int32_t width = 0;
    std::int16_t code = 0;
    const TField* field = nullptr; // nullptr: skipped
    std::size_t bufferSize = 0;    // for strings: max(stored width, field width)
};

std::string_view UpToZero(std::string_view bytes) {
    const std::size_t zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

std::size_t ReadLength(Reader& reader, bool& complete) {
    const auto length = reader.Value<std::int32_t>();
    if (!length) {
        complete = false;
        return 0;
    }
    if (*length < 0)
        DataIncorrect();
    return static_cast<std::size_t>(*length);
}

// The value of a little-endian number of `width` bytes, as the field's type holds it.
std::int32_t NumberFrom(std::string_view bytes, TFieldType type) {
    std::uint32_t raw = 0;
    const std::size_t count = std::min<std::size_t>(bytes.size(), 4);
    for (std::size_t i = 0; i < count; ++i)
        raw |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    switch (type) {
    case TFieldType::ftWord:
        return static_cast<std::uint16_t>(raw);
    case TFieldType::ftSmallint:
        return static_cast<std::int16_t>(raw);
    case TFieldType::ftBoolean:
        return static_cast<std::uint16_t>(raw) != 0 ? 1 : 0;
    default:
        return static_cast<std::int32_t>(raw);
    }
}

// Reads one column of a record into the record's values; false when the data ended.
/// One column descriptor: its stored width, type code and name; none at the end of the data.
struct Descriptor {
    std::int32_t width = 0;
    std::int16_t code = 0;
    std::string name;
};

std::optional<Descriptor> ReadDescriptor(Reader& reader) {
    const auto width = reader.Value<std::int32_t>();
    const auto code = reader.Value<std::int16_t>();
    const auto nameLength = reader.Value<std::int16_t>();
    if (!width || !code || !nameLength)
        return std::nullopt;
    if (*nameLength > kMaxNameLength || *nameLength < 0)
        DataIncorrect();
    const auto name = reader.Bytes(static_cast<std::size_t>(*nameLength));
    if (!name)
        return std::nullopt;
    return Descriptor{*width, *code, DecodeFileText(UpToZero(*name))};
}

bool ReadColumn(Reader& reader, const Column& column, bool withFlags, TRecord& record) {
    bool complete = true;
    if (IsLengthPrefixed(column.code)) {
        const std::size_t length = ReadLength(reader, complete);
        if (!complete)
            return false;
        const TField* field = column.field;
        if (!field || !field->IsText())
            return reader.Skip(length);
        if (field->DataType() == TFieldType::ftString) {
            const std::size_t kept = std::min(length, column.bufferSize);
            const auto bytes = reader.Bytes(kept);
            if (!bytes || !reader.Skip(length - kept))
                return false;
            const std::string_view text = UpToZero(*bytes);
            const std::size_t cut =
                FileTextCutLength(text, static_cast<std::size_t>(field->Size()));
            record.values[static_cast<std::size_t>(field->Index())] = {
                false, 0, DecodeFileText(text.substr(0, cut))};
        } else {
            const auto bytes = reader.Bytes(length);
            if (!bytes)
                return false;
            record.values[static_cast<std::size_t>(field->Index())] = {false, 0,
                                                                       DecodeFileText(*bytes)};
        }
        return true;
    }

    if (column.width < 0)
        DataIncorrect();
    bool present = true;
    if (withFlags) {
        const auto flag = reader.Value<std::uint8_t>();
        if (!flag)
            return false;
        present = *flag != 0;
    }
    const auto bytes = reader.Bytes(static_cast<std::size_t>(column.width));
    if (!bytes)
        return false;
    const TField* field = column.field;
    if (field && present && field->IsNumeric() && IsIntegerCode(column.code))
        record.values[static_cast<std::size_t>(field->Index())] = {
            false, NumberFrom(*bytes, field->DataType()), {}};
    return true;
}

void LoadRecords(TdxMemData& table, std::span<const std::uint8_t> data,
                 std::vector<TRecord>& records) {
    Reader reader(data);
    double version = 0;
    const auto signature = reader.Bytes(sizeof kSignature);
    if (signature && std::memcmp(signature->data(), kSignature, sizeof kSignature) == 0) {
        const auto stored = reader.Value<double>();
        if (!stored)
            return;
        version = (std::isnan(*stored) || *stored < 1) ? 1 : *stored;
    } else {
        reader.Rewind();
    }
    const bool withFlags = version > 0;

    const auto count = reader.Value<std::int32_t>();
    if (!count)
        return;
    std::vector<Column> columns;
    bool anyMatched = false;
    // Every descriptor takes at least 8 bytes, so the count can claim no more than the data holds.
    for (std::int32_t i = 0; i < *count; ++i) {
        const auto descriptor = ReadDescriptor(reader);
        if (!descriptor)
            break;
        Column column{descriptor->width, descriptor->code, nullptr, 0};
        const TField* field = table.FindField(descriptor->name);
        if (field && field->Index() > 0 && field->FieldKind() == TFieldKind::fkData) {
            column.field = field;
            column.bufferSize = static_cast<std::size_t>(
                std::max<std::int64_t>({descriptor->width, field->StoredWidth(), 0}));
            anyMatched = true;
        }
        columns.push_back(column);
    }
    if (!anyMatched || reader.AtEnd())
        return;

    while (!reader.AtEnd()) {
        const std::size_t start = reader.Position();
        TRecord record;
        record.values.resize(static_cast<std::size_t>(table.FieldCount()));
        bool complete = true;
        for (const Column& column : columns) {
            if (!ReadColumn(reader, column, withFlags, record)) {
                complete = false;
                break;
            }
        }
        // An incomplete record is dropped; a record that takes no bytes would repeat forever.
        if (!complete || reader.Position() == start)
            break;
        records.push_back(std::move(record));
    }
}

} // namespace

std::vector<std::uint8_t> Save(const TdxMemData& table) {
    std::vector<std::uint8_t> out;
    Writer writer(out);
    const std::vector<const TField*> fields = SavedFields(table);

    writer.Bytes(kSignature, sizeof kSignature);
    writer.Value(kVersion);
    writer.Value(static_cast<std::int32_t>(fields.size()));
    for (const TField* field : fields) {
        const std::string name = EncodeFileText(field->FieldName());
        writer.Value(static_cast<std::int32_t>(field->StoredWidth()));
        writer.Value(static_cast<std::int16_t>(field->DataType()));
        writer.Value(static_cast<std::int16_t>(name.size() + 1));
        writer.Bytes(name.data(), name.size());
        writer.Zeros(1);
    }
    for (int i = 0; i < table.RecordCount(); ++i) {
        const TRecord& record = table.RecordAt(i);
        for (const TField* field : fields)
            WriteValue(writer, *field, record.values[static_cast<std::size_t>(field->Index())]);
    }
    return out;
}

std::vector<std::string> FieldNames(std::span<const std::uint8_t> data) {
    std::vector<std::string> names;
    Reader reader(data);
    const auto signature = reader.Bytes(sizeof kSignature);
    if (!signature || std::memcmp(signature->data(), kSignature, sizeof kSignature) != 0)
        return names;
    if (!reader.Value<double>())
        return names;
    const auto count = reader.Value<std::int32_t>();
    for (std::int32_t i = 0; count && i < *count; ++i) {
        auto descriptor = ReadDescriptor(reader);
        if (!descriptor)
            break;
        names.push_back(std::move(descriptor->name));
    }
    return names;
}

void Load(TdxMemData& table, std::span<const std::uint8_t> data) {
    std::vector<TRecord> records;
    try {
        LoadRecords(table, data, records);
    } catch (...) {
        table.ReplaceRecords({});
        throw;
    }
    table.ReplaceRecords(std::move(records));
}

} // namespace TableStream
