#include "Application/store/TableStream.h"
#include "Application/store/DatabaseError.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds table stream data by hand, the way another writer (or a damaged file) would lay it out.
class StreamBuilder {
public:
    StreamBuilder& Raw(const std::string& bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    template <typename T>
    StreamBuilder& Value(T value) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        data.insert(data.end(), p, p + sizeof value);
        return *this;
    }
    StreamBuilder& Header(std::int32_t count) {
        return Raw("Ver").Value(TableStream::kVersion).Value(count);
    }
    StreamBuilder& Descriptor(const std::string& name, std::int32_t width, TFieldType type) {
        Value(width).Value(static_cast<std::int16_t>(type));
        Value(static_cast<std::int16_t>(name.size() + 1));
        return Raw(name).Raw(std::string(1, '\0'));
    }
    StreamBuilder& String(const std::string& text) {
        return Value(static_cast<std::int32_t>(text.size() + 1))
            .Raw(text)
            .Raw(std::string(1, '\0'));
    }
    StreamBuilder& Integer(std::int32_t value) { return Value<std::uint8_t>(1).Value(value); }
    StreamBuilder& NullInteger() { return Value<std::uint8_t>(0).Value<std::int32_t>(0); }
    Bytes data;
};

using Rows = std::vector<std::pair<std::string, std::string>>;

class TableStreamTest : public ::testing::Test {
protected:
    TableStreamTest() {
        name = table.AddField("Name", TFieldType::ftString, 4);
        number = table.AddField("Number", TFieldType::ftInteger);
        table.Open();
    }

    void Load(const Bytes& data) { TableStream::Load(table, data); }

    std::vector<std::pair<std::string, std::string>> Loaded() {
        std::vector<std::pair<std::string, std::string>> rows;
        for (table.First(); !table.Eof(); table.Next())
            rows.emplace_back(name->IsNull() ? "<null>" : name->AsString(),
                              number->IsNull() ? "<null>" : number->AsString());
        return rows;
    }

    TdxMemData table;
    TField* name = nullptr;
    TField* number = nullptr;
};

TEST(TableStreamSchemaTest, EmptyRuleTablesAreHeaderAndDescriptorsOnly) {
    TdxMemData appRules;
    DefineAppRulesFields(appRules);
    appRules.Open();
    const Bytes app = TableStream::Save(appRules);
    ASSERT_EQ(app.size(), 382u);
    const Bytes header = {'V', 'e', 'r', 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xFB, 0x3F, 17,
                          0,   0,   0,   41,   0,    0,    0,    1,    0,    9,    0};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), app.begin()));
    EXPECT_EQ(std::string(app.begin() + 23, app.begin() + 32), std::string("cAppName\0", 9));

    TdxMemData ipRules;
    DefineIPRulesFields(ipRules);
    ipRules.Open();
    const Bytes ip = TableStream::Save(ipRules);
    EXPECT_EQ(ip.size(), 414u);

    TableStream::Load(appRules, app);
    EXPECT_TRUE(appRules.Active());
    EXPECT_EQ(appRules.RecordCount(), 0);
}

TEST(TableStreamSchemaTest, DescriptorsCarryWidthAndTypeCode) {
    TdxMemData ipRules;
    DefineIPRulesFields(ipRules);
    ipRules.Open();
    const Bytes data = TableStream::Save(ipRules);
    // Walk the descriptors and collect width/code per name.
    std::size_t pos = 15;
    std::vector<std::string> seen;
    for (int i = 0; i < 23; ++i) {
        std::int32_t width;
        std::int16_t code, length;
        std::memcpy(&width, &data[pos], 4);
        std::memcpy(&code, &data[pos + 4], 2);
        std::memcpy(&length, &data[pos + 6], 2);
        const std::string fieldName(reinterpret_cast<const char*>(&data[pos + 8]),
                                    static_cast<std::size_t>(length - 1));
        seen.push_back(fieldName + " " + std::to_string(width) + "/" + std::to_string(code));
        pos += 8 + static_cast<std::size_t>(length);
    }
    EXPECT_EQ(seen[0], "Name 51/1");
    EXPECT_EQ(seen[2], "OrderID 21/1");
    EXPECT_EQ(seen[4], "RemoteIP 16/1");
    EXPECT_EQ(seen[18], "Priority 4/3");
    EXPECT_EQ(seen[19], "Use 2/2");
    EXPECT_EQ(seen[22], "Low 2/5");
    EXPECT_EQ(pos, data.size());
}

TEST(TableStreamSchemaTest, BooleansAndNullNumbersByteByByte) {
    TdxMemData t;
    TField* flag = t.AddField("B", TFieldType::ftBoolean);
    TField* integer = t.AddField("I", TFieldType::ftInteger);
    TField* word = t.AddField("W", TFieldType::ftWord);
    TField* small = t.AddField("S", TFieldType::ftSmallint);
    TField* memo = t.AddField("M", TFieldType::ftMemo);
    TField* text = t.AddField("T", TFieldType::ftString, 3);
    t.Open();
    t.Append();
    flag->SetAsBoolean(true);
    word->SetAsInteger(0xBEEF);
    small->SetAsInteger(-2);
    memo->SetAsString("xy");
    t.Post();
    (void)integer;
    (void)text;
    const Bytes data = TableStream::Save(t);
    const Bytes record = {1, 1,    0,                 // boolean true: flag 1, 01 00
                          0, 0,    0,    0, 0,        // null integer: flag 0, four zero bytes
                          1, 0xEF, 0xBE,              // word
                          1, 0xFE, 0xFF,              // smallint -2
                          2, 0,    0,    0, 'x', 'y', // memo: length, no terminator
                          1, 0,    0,    0, 0};       // null string: the empty text
    ASSERT_GE(data.size(), record.size());
    EXPECT_EQ(Bytes(data.end() - static_cast<long>(record.size()), data.end()), record);

    TableStream::Load(t, data);
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_TRUE(integer->IsNull());
    EXPECT_EQ(word->AsInteger(), 0xBEEF);
    EXPECT_EQ(small->AsInteger(), -2);
    EXPECT_EQ(memo->AsString(), "xy");
    EXPECT_FALSE(text->IsNull()) << "a loaded string is never null";
    EXPECT_EQ(text->AsString(), "");
}

TEST_F(TableStreamTest, RoundTripKeepsOrderValuesAndNonAsciiText) {
    for (const auto& [text, value] : Rows{{"abcd", "1"}, {"\xe4\xb8\xad\xe6\x96\x87", "-5"}}) {
        table.Append();
        name->SetAsString(text);
        number->SetAsString(value);
        table.Post();
    }
    table.Append();
    table.Post();
    const Bytes data = TableStream::Save(table);
    // The exact-size string is written with length size + 1.
    EXPECT_EQ(data[15 + 13 + 15], 5);
    TdxMemData copy;
    copy.AddField("Name", TFieldType::ftString, 4);
    copy.AddField("Number", TFieldType::ftInteger);
    copy.Open();
    TableStream::Load(copy, data);
    EXPECT_EQ(TableStream::Save(copy), data);
    Load(data);
    EXPECT_EQ(Loaded(), (Rows{{"abcd", "1"}, {"\xe4\xb8\xad\xe6\x96\x87", "-5"}, {"", "<null>"}}));
}

TEST_F(TableStreamTest, LongerStoredStringIsCutToFieldSizeBetweenCharacters) {
    StreamBuilder b;
    b.Header(1).Descriptor("Name", 11, TFieldType::ftString);
    b.String("abcdefghij");
    b.String("ab\xd6\xd0\xce\xc4"); // ab中文 in GB18030: 6 bytes
    b.String("a\xd6\xd0\xce\xc4");  // a中文: the second character would be split at 4
    b.String("\x80x");              // code page 936's euro byte
    Load(b.data);
    EXPECT_EQ(Loaded(), (Rows{{"abcd", "<null>"},
                              {"ab\xe4\xb8\xad", "<null>"},
                              {"a\xe4\xb8\xad", "<null>"},
                              {"\xe2\x82\xacx", "<null>"}}));
}

TEST_F(TableStreamTest, ColumnsAreMatchedByNameInAnyOrder) {
    StreamBuilder b;
    b.Header(4)
        .Descriptor("Unknown", 0, TFieldType::ftMemo)
        .Descriptor("NUMBER", 4, TFieldType::ftInteger)
        .Descriptor("Other", 8, TFieldType::ftFloat)
        .Descriptor("Name", 5, TFieldType::ftString);
    for (const char* text : {"x", "y"}) {
        b.Value<std::int32_t>(3).Raw("abc"); // the memo column, skipped by its length
        b.Integer(7);
        b.Value<std::uint8_t>(1).Raw(std::string(8, '\x11')); // a float column, skipped
        b.String(text);
    }
    Load(b.data);
    EXPECT_EQ(Loaded(), (Rows{{"x", "7"}, {"y", "7"}}));

    StreamBuilder missing;
    missing.Header(1).Descriptor("Name", 5, TFieldType::ftString).String("q");
    Load(missing.data);
    EXPECT_EQ(Loaded(), (Rows{{"q", "<null>"}}));
}

TEST_F(TableStreamTest, VersionZeroDataHasNoHeaderAndNoFlagBytes) {
    StreamBuilder b;
    b.Value<std::int32_t>(2)
        .Descriptor("Number", 4, TFieldType::ftInteger)
        .Descriptor("Name", 5, TFieldType::ftString);
    b.Value<std::int32_t>(42).String("a");
    b.Value<std::int32_t>(0).String("b");
    Load(b.data);
    EXPECT_EQ(Loaded(), (Rows{{"a", "42"}, {"b", "0"}}));
}

TEST(TableStreamSchemaTest, CipherPaddingAfterTheLastRecordIsIgnored) {
    TdxMemData rules;
    DefineAppRulesFields(rules);
    rules.Open();
    rules.Append();
    rules.FieldByName("cAppName")->SetAsString("a");
    rules.Post();
    const Bytes saved = TableStream::Save(rules);
    for (int padding = 0; padding <= 15; ++padding) {
        Bytes data = saved;
        data.insert(data.end(), static_cast<std::size_t>(padding), 0);
        TableStream::Load(rules, data);
        EXPECT_EQ(rules.RecordCount(), 1) << padding << " padding bytes";
    }
}

TEST_F(TableStreamTest, IncompleteLastRecordIsDropped) {
    StreamBuilder b;
    b.Header(2)
        .Descriptor("Name", 5, TFieldType::ftString)
        .Descriptor("Number", 4, TFieldType::ftInteger);
    b.String("a").Integer(1);
    b.String("b"); // the record ends before its integer
    Load(b.data);
    EXPECT_EQ(Loaded(), (Rows{{"a", "1"}}));
}

TEST_F(TableStreamTest, VersionBelowOneReadsWithFlags) {
    StreamBuilder b;
    b.Raw("Ver").Value(0.5).Value<std::int32_t>(1).Descriptor("Number", 4, TFieldType::ftInteger);
    b.Integer(3).NullInteger();
    Load(b.data);
    EXPECT_EQ(Loaded(), (Rows{{"<null>", "3"}, {"<null>", "<null>"}}));
}

TEST_F(TableStreamTest, DamagedDataRaisesOrStopsWithoutOverrun) {
    // A field name longer than 255 bytes.
    StreamBuilder longName;
    longName.Header(1).Value<std::int32_t>(5).Value<std::int16_t>(1).Value<std::int16_t>(256);
    longName.Raw(std::string(256, 'N'));
    table.Append();
    name->SetAsString("old");
    table.Post();
    try {
        Load(longName.data);
        FAIL() << "expected an error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "The data is incorrect");
    }
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 0);

    // A negative string length.
    StreamBuilder negative;
    negative.Header(1).Descriptor("Name", 5, TFieldType::ftString).Value<std::int32_t>(-4);
    EXPECT_THROW(Load(negative.data), EDatabaseError);

    // Counts and lengths far beyond the data end the load quietly.
    StreamBuilder hugeCount;
    hugeCount.Header(0x7FFFFFFF).Descriptor("Name", 0x7FFFFFFF, TFieldType::ftString);
    Load(hugeCount.data);
    EXPECT_EQ(table.RecordCount(), 0);
    StreamBuilder hugeLength;
    hugeLength.Header(1).Descriptor("Name", 0x7FFFFFFF, TFieldType::ftString);
    hugeLength.String("a").Value<std::int32_t>(0x7FFFFFF0).Raw("xyz");
    Load(hugeLength.data);
    EXPECT_EQ(Loaded(), (Rows{{"a", "<null>"}}));

    // Records that would take no bytes at all.
    StreamBuilder empty;
    empty.Value<std::int32_t>(1).Descriptor("Number", 0, TFieldType::ftInteger).Raw("zz");
    Load(empty.data);
    EXPECT_LE(table.RecordCount(), 1);

    for (const Bytes& data : {Bytes{}, Bytes{'V'}, Bytes{'V', 'e', 'r', 1, 2}})
        EXPECT_NO_THROW(Load(data));
}

} // namespace
