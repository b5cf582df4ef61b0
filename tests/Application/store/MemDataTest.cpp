#include "Application/store/MemData.h"
#include "Application/store/DatabaseError.h"

#include <gtest/gtest.h>

#include <vector>

using vrx::forms::DataChange;
using vrx::forms::DataSetState;

namespace {

// A table with one field of every type this system uses.
class MemDataTest : public ::testing::Test {
protected:
    MemDataTest() {
        name = table.AddField("Name", TFieldType::ftString, 6);
        number = table.AddField("Number", TFieldType::ftInteger);
        word = table.AddField("Word", TFieldType::ftWord);
        small = table.AddField("Small", TFieldType::ftSmallint);
        flag = table.AddField("Flag", TFieldType::ftBoolean);
        memo = table.AddField("Memo", TFieldType::ftMemo);
        table.Open();
    }

    void AppendRow(const std::string& text, int value) {
        table.Append();
        name->SetAsString(text);
        number->SetAsInteger(value);
        table.Post();
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 0; i < table.RecordCount(); ++i)
            names.push_back(table.RecordAt(i).values[1].text);
        return names;
    }

    std::vector<int> RecIds() {
        std::vector<int> ids;
        for (int i = 0; i < table.RecordCount(); ++i)
            ids.push_back(table.RecordAt(i).recId);
        return ids;
    }

    TdxMemData table;
    TField* name = nullptr;
    TField* number = nullptr;
    TField* word = nullptr;
    TField* small = nullptr;
    TField* flag = nullptr;
    TField* memo = nullptr;
};

TEST_F(MemDataTest, RecIdIsHiddenFirstFieldAndNeverReused) {
    EXPECT_EQ(table.Fields(0)->FieldName(), "RecId");
    EXPECT_FALSE(table.Fields(0)->Visible);
    AppendRow("a", 1);
    AppendRow("b", 2);
    AppendRow("c", 3);
    table.Last();
    table.Delete();
    AppendRow("d", 4);
    EXPECT_EQ(RecIds(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(table.FieldByName("recid")->AsInteger(), 4);
    table.Close();
    table.Open();
    AppendRow("e", 5);
    EXPECT_EQ(RecIds(), (std::vector<int>{1}));
}

TEST_F(MemDataTest, NewRecordsStartNullAndKeepTypedValues) {
    table.Append();
    for (TField* field : {name, number, word, small, flag})
        EXPECT_TRUE(field->IsNull()) << field->FieldName();
    EXPECT_TRUE(memo->IsNull());
    EXPECT_EQ(memo->AsString(), "");
    word->SetAsInteger(65535);
    small->SetAsInteger(-32768);
    flag->SetAsBoolean(true);
    number->SetAsString("-17");
    table.Post();
    EXPECT_EQ(word->AsInteger(), 65535);
    EXPECT_EQ(small->AsInteger(), -32768);
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_EQ(flag->AsString(), "True");
    EXPECT_EQ(number->AsInteger(), -17);
    EXPECT_TRUE(name->IsNull());

    table.Edit();
    EXPECT_THROW(word->SetAsInteger(65536), EDatabaseError);
    EXPECT_THROW(small->SetAsInteger(32768), EDatabaseError);
    EXPECT_THROW(number->SetAsString("12x"), EDatabaseError);
    number->SetAsString("");
    EXPECT_TRUE(number->IsNull());
    table.Cancel();
    EXPECT_EQ(number->AsInteger(), -17);
}

TEST_F(MemDataTest, StringsAreCutToTheirSizeInEncodedBytes) {
    table.Append();
    name->SetAsString("abcdefgh");
    EXPECT_EQ(name->AsString(), "abcdef");
    // Three characters of two GB18030 bytes each fit into 6 bytes; a fourth does not.
    name->SetAsString("\xe4\xb8\xad\xe6\x96\x87\xe4\xb8\xad\xe6\x96\x87");
    EXPECT_EQ(name->AsString(), "\xe4\xb8\xad\xe6\x96\x87\xe4\xb8\xad");
    name->SetAsString("a\xe4\xb8\xad\xe6\x96\x87\xe4\xb8\xad");
    EXPECT_EQ(name->AsString(), "a\xe4\xb8\xad\xe6\x96\x87");
    name->SetAsString(std::string("ab\0cd", 5));
    EXPECT_EQ(name->AsString(), "ab");
}

TEST_F(MemDataTest, AssigningOutsideEditStateIsAnError) {
    AppendRow("a", 1);
    EXPECT_THROW(name->SetAsString("b"), EDatabaseError);
    EXPECT_THROW(table.Post(), EDatabaseError);
    EXPECT_THROW(table.FieldByName("Missing"), EDatabaseError);
    table.Close();
    EXPECT_THROW(table.First(), EDatabaseError);
}

TEST_F(MemDataTest, EditOnEmptyTableInserts) {
    table.Edit();
    EXPECT_EQ(table.State(), DataSetState::Insert);
}

TEST_F(MemDataTest, SortedTableOrdersByKeyThenRecId) {
    table.SetSortedField("Name");
    AppendRow("b", 1);
    AppendRow("a", 2);
    AppendRow("b", 3);
    AppendRow("B", 4);
    AppendRow("\xc3\xa4", 5); // ä sorts after every ASCII byte
    AppendRow("a", 6);
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "a", "a", "b", "b", "\xc3\xa4"}));
    EXPECT_EQ(RecIds(), (std::vector<int>{4, 2, 6, 1, 3, 5}));
    // The cursor follows the posted record to its place.
    EXPECT_EQ(number->AsInteger(), 6);
    EXPECT_EQ(table.RecNo(), 3);

    table.First();
    table.Edit();
    name->SetAsString("c");
    table.Post();
    EXPECT_EQ(table.RecNo(), 5);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "a", "b", "b", "c", "\xc3\xa4"}));
}

TEST_F(MemDataTest, SortedOnNumberPutsNullFirst) {
    table.SetSortedField("Number");
    AppendRow("x", 5);
    AppendRow("y", -3);
    table.Append();
    name->SetAsString("z");
    table.Post();
    EXPECT_EQ(Names(), (std::vector<std::string>{"z", "y", "x"}));
}

TEST_F(MemDataTest, UnsortedTableKeepsListOrderAndInsertsBeforeCurrent) {
    AppendRow("c", 1);
    AppendRow("a", 2);
    table.First();
    table.Next();
    table.Insert();
    name->SetAsString("b");
    table.Post();
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(table.RecNo(), 2);
}

TEST_F(MemDataTest, LocateMatchesWholeValueAndFoldsOnlyAsciiLetters) {
    AppendRow("/bin/A", 1);
    AppendRow("/bin/a", 2);
    AppendRow("\xc3\xa4", 3);
    AppendRow("[", 4);
    table.First();
    EXPECT_TRUE(table.Locate("Name", "/BIN/A", TLocateOptions::CaseInsensitive));
    EXPECT_EQ(number->AsInteger(), 1);
    EXPECT_TRUE(table.Locate("Name", "/bin/a"));
    EXPECT_EQ(number->AsInteger(), 2);
    EXPECT_FALSE(table.Locate("Name", "/bin/", TLocateOptions::CaseInsensitive));
    EXPECT_EQ(number->AsInteger(), 2) << "a failed locate leaves the cursor";
    EXPECT_FALSE(table.Locate("Name", "\xc3\x84", TLocateOptions::CaseInsensitive));
    // '{' is not '[' in any case, though their codes differ by 0x20 as letters' do.
    EXPECT_FALSE(table.Locate("Name", "{", TLocateOptions::CaseInsensitive));
    EXPECT_TRUE(table.Locate("Number", "3"));
    EXPECT_EQ(name->AsString(), "\xc3\xa4");
}

// Repeated lookups are answered from an index of the field's values; every change of the
// records must show in the next lookup.
TEST_F(MemDataTest, LocateFollowsEveryChangeOfTheRecords) {
    AppendRow("/bin/a", 1);
    AppendRow("/bin/b", 2);
    AppendRow("/bin/c", 3);
    const auto locate = [this](const std::string& value) {
        return table.Locate("Name", value, TLocateOptions::CaseInsensitive) ? number->AsInteger()
                                                                            : -1;
    };
    ASSERT_EQ(locate("/BIN/B"), 2);

    table.Edit(); // the cursor stands on 2
    name->SetAsString("/bin/x");
    table.Post();
    EXPECT_EQ(locate("/bin/b"), -1);
    EXPECT_EQ(locate("/bin/X"), 2);

    table.First();
    table.Insert(); // before "/bin/a": the first record of that value from now on
    name->SetAsString("/BIN/A");
    number->SetAsInteger(4);
    table.Post();
    EXPECT_EQ(locate("/bin/a"), 4);
    EXPECT_EQ(locate("/bin/c"), 3) << "positions behind the insertion moved";

    ASSERT_EQ(locate("/bin/a"), 4);
    table.Delete();
    EXPECT_EQ(locate("/bin/a"), 1);
    EXPECT_EQ(locate("/bin/c"), 3);

    table.Close();
    table.Open();
    EXPECT_EQ(locate("/bin/a"), -1);
}

TEST_F(MemDataTest, LocateOnSortedFieldFindsFirstInTableOrder) {
    table.SetSortedField("Name");
    AppendRow("b", 1);
    AppendRow("a", 2);
    AppendRow("b", 3);
    EXPECT_TRUE(table.Locate("Name", "b"));
    EXPECT_EQ(number->AsInteger(), 1);
    EXPECT_FALSE(table.Locate("Name", "c"));
    EXPECT_FALSE(table.Locate("Name", ""));
}

TEST_F(MemDataTest, BookmarksReturnToTheirRecordUntilReload) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    table.First();
    TBookmark mark = table.GetBookmark();
    table.Last();
    table.GotoBookmark(mark);
    EXPECT_EQ(name->AsString(), "a");
    table.Close();
    table.Open();
    AppendRow("z", 3);
    EXPECT_FALSE(table.BookmarkValid(mark));
    EXPECT_THROW(table.GotoBookmark(mark), EDatabaseError);
    table.FreeBookmark(mark);
    EXPECT_FALSE(mark.IsValid());
}

TEST_F(MemDataTest, CursorWalksWithBofAndEof) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    std::vector<std::string> seen;
    for (table.First(); !table.Eof(); table.Next())
        seen.push_back(name->AsString());
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
    table.Prior();
    EXPECT_EQ(name->AsString(), "a");
    table.Prior();
    EXPECT_TRUE(table.Bof());
}

TEST_F(MemDataTest, ScrollEventsSurroundEveryMove) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    std::vector<std::string> log;
    table.BeforeScroll = [&](TdxMemData&) { log.push_back("before " + name->AsString()); };
    table.AfterScroll = [&](TdxMemData&) { log.push_back("after " + name->AsString()); };
    table.First();
    table.Next();
    ASSERT_TRUE(table.Locate("Name", "a"));
    EXPECT_EQ(log, (std::vector<std::string>{"before b", "after a", "before a", "after b",
                                             "before b", "after a"}));
}

TEST_F(MemDataTest, LeavingAnEditedRecordPostsOnlyWhenChanged) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    table.First();
    table.Edit();
    name->SetAsString("x");
    table.Next();
    EXPECT_EQ(Names(), (std::vector<std::string>{"x", "b"}));
    table.Edit();
    table.First();
    EXPECT_EQ(table.State(), DataSetState::Browse);
}

TEST_F(MemDataTest, AbortInBeforePostKeepsTheEditAndStopsTheMove) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    int afterPosts = 0;
    table.BeforePost = [&](TdxMemData&) {
        if (number->AsInteger() < 0)
            vrx::forms::Abort();
    };
    table.AfterPost = [&](TdxMemData&) { ++afterPosts; };
    table.First();
    table.Edit();
    number->SetAsInteger(-1);
    EXPECT_THROW(table.Post(), vrx::forms::EAbort);
    EXPECT_EQ(table.State(), DataSetState::Edit);
    EXPECT_THROW(table.Next(), vrx::forms::EAbort);
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(number->AsInteger(), -1);
    number->SetAsInteger(5);
    table.Post();
    EXPECT_EQ(afterPosts, 1);
}

TEST_F(MemDataTest, DeleteRunsAfterDeleteAndKeepsCursorInRange) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    int afterDeletes = 0;
    table.AfterDelete = [&](TdxMemData&) { ++afterDeletes; };
    table.Last();
    table.Delete();
    EXPECT_EQ(name->AsString(), "a");
    table.Delete();
    EXPECT_EQ(table.RecNo(), 0);
    EXPECT_EQ(afterDeletes, 2);
    EXPECT_THROW(table.Delete(), EDatabaseError);
}

class RecordingObserver : public vrx::forms::DataSetObserver {
public:
    void dataSetChanged(DataChange change, const std::string& field) override {
        changes.emplace_back(change, field);
    }
    std::vector<std::pair<DataChange, std::string>> changes;
};

TEST_F(MemDataTest, ObserversFollowChangesUnlessSuspended) {
    RecordingObserver observer;
    table.addObserver(&observer);
    table.Append();
    name->SetAsString("a");
    table.Post();
    EXPECT_NE(std::find(observer.changes.begin(), observer.changes.end(),
                        std::make_pair(DataChange::FieldValue, std::string("Name"))),
              observer.changes.end());
    EXPECT_NE(std::find(observer.changes.begin(), observer.changes.end(),
                        std::make_pair(DataChange::State, std::string())),
              observer.changes.end());

    observer.changes.clear();
    table.DisableControls();
    EXPECT_TRUE(table.controlsDisabled());
    AppendRow("b", 2);
    table.First();
    EXPECT_TRUE(observer.changes.empty());
    table.EnableControls();
    ASSERT_EQ(observer.changes.size(), 1u);
    EXPECT_EQ(observer.changes[0].first, DataChange::Notification);
    table.removeObserver(&observer);
}

TEST_F(MemDataTest, DataSetInterfaceReadsAndWritesTheCursor) {
    AppendRow("a", 1);
    AppendRow("b", 2);
    vrx::forms::DataSet& dataSet = table;
    dataSet.setRecNo(1);
    EXPECT_EQ(dataSet.fieldValue("Name").toString(), "a");
    EXPECT_EQ(dataSet.fieldValueAt(2, "Number").toInt(), 2);
    EXPECT_FALSE(dataSet.fieldValue("Flag").isValid());
    dataSet.edit();
    dataSet.setFieldValue("Flag", true);
    dataSet.setFieldValue("Number", QVariant());
    dataSet.post();
    EXPECT_TRUE(flag->AsBoolean());
    EXPECT_TRUE(number->IsNull());
    dataSet.setRecNo(2);
    EXPECT_EQ(dataSet.recNo(), 2);
}

TEST_F(MemDataTest, ReplaceRecordsNumbersSortsAndMovesToFirst) {
    table.SetSortedField("Name");
    std::vector<TRecord> records(3);
    const char* names[] = {"b", "a", "b"};
    for (int i = 0; i < 3; ++i) {
        records[static_cast<std::size_t>(i)].values.resize(
            static_cast<std::size_t>(table.FieldCount()));
        records[static_cast<std::size_t>(i)].values[1] = {false, 0, names[i]};
    }
    table.ReplaceRecords(std::move(records));
    EXPECT_EQ(RecIds(), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(table.RecNo(), 1);
    AppendRow("a", 0);
    EXPECT_EQ(RecIds(), (std::vector<int>{2, 4, 1, 3}));
}

} // namespace
