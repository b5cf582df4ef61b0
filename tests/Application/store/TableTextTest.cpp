#include "Application/store/TableText.h"
#include "Application/store/DatabaseError.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"
#include "Application/store/Stream.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TableTextTest : public ::testing::Test {
protected:
    TableTextTest() { DefineProtocolFields(table); }

    // Each record as "cProtocol|cName|nType", nulls shown as "-".
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        const auto text = [](const TField* field) {
            return field->IsNull() ? std::string("-") : field->AsString();
        };
        for (table.First(); !table.Eof(); table.Next())
            rows.push_back(text(table.FieldByName("cProtocol")) + "|" +
                           text(table.FieldByName("cName")) + "|" +
                           text(table.FieldByName("nType")));
        return rows;
    }

    TdxMemData table{"tblProtocol"};
};

TEST_F(TableTextTest, ColumnsByNameInAnyOrderSortedOnTheKey) {
    TableText::Load(table, "nType\tcName\tcProtocol\r\n"
                           "1\tTelnet\tT23\n"
                           "1\tFTP\tT21\r"
                           "2\tDNS\tU53");
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"T21|FTP|1", "T23|Telnet|1", "U53|DNS|2"}));
}

TEST_F(TableTextTest, EmptyAndMissingValuesStayNullAndExtraOrUnknownColumnsAreIgnored) {
    TableText::Load(table, "cProtocol\tcName\tnType\tcComment\n"
                           "T1\t\t3\n"
                           "T2\tName\n"
                           "T3\tX\t4\tignored\tbeyond\n");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"T1|-|3", "T2|Name|-", "T3|X|4"}));
}

TEST_F(TableTextTest, TextIsDecodedAndCutToTheFieldSize) {
    // "远程登录" in GB18030, then a name longer than cName's 30 bytes.
    TableText::Load(table, "cProtocol\tcName\n"
                           "T23\t\xD4\xB6\xB3\xCC\xB5\xC7\xC2\xBC\n"
                           "T99\t" +
                               std::string(40, 'n') + "\n");
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{"T23|远程登录|-", "T99|" + std::string(30, 'n') + "|-"}));
}

TEST_F(TableTextTest, ConversionErrorEndsTheLoadKeepingEarlierRecords) {
    EXPECT_THROW(TableText::Load(table, "cProtocol\tnType\nT1\t1\nT2\tabc\nT3\t3\n"),
                 EDatabaseError);
    EXPECT_EQ(table.State(), vrx::forms::DataSetState::Browse);
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"T1|-|1"}));
}

TEST_F(TableTextTest, EmptyTextChangesNothing) {
    TableText::Load(table, "");
    EXPECT_FALSE(table.Active());

    TableText::Load(table, "cProtocol\nT1\n");
    TableText::Load(table, "");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"T1|-|-"}));
}

TEST_F(TableTextTest, MissingFileRaisesTheOpenError) {
    QTemporaryDir dir;
    EXPECT_THROW(TableText::LoadFromTextFile(table, dir.filePath("Protocol.dat").toStdString()),
                 EFOpenError);
}

} // namespace
