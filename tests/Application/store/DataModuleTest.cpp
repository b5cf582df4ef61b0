#include "Application/store/DataModule.h"
#include "Application/resources/StringTable.h"
#include "Application/store/FileKey.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleFile.h"
#include "Application/store/RuleSchemas.h"
#include "Platform/forms/DBCtrls.h"
#include "Platform/os/CriticalSection.h"
#include "Platform/os/Platform.h"
#include "tests/support/FakeSystemInfo.h"
#include "tests/support/ModalHooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using vrx::forms::DataSetState;
using Row = std::vector<std::pair<std::string, std::string>>;

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program folder with a rules folder and a "Protocol.dat", a data module over it, and the
// dialogs answered and recorded.
class DataModuleTest : public ::testing::Test {
protected:
    DataModuleTest() {
        system.executablePath = dir.filePath("VornexFirewall").toStdString();
        QDir(dir.path()).mkdir("rules");
        WriteText("Protocol.dat", "cProtocol\tcName\tnType\nT23\tTelnet\t1\n");
        DataModuleDialogs.AskYesNo = [this](const std::string& text) {
            questions.push_back(text);
            return answer;
        };
        DataModuleDialogs.ShowMessage = [this](const std::string& text) {
            messages.push_back(text);
        };
        DataModuleDialogs.ShowException = [this](const std::exception& error) {
            errors.push_back(error.what());
        };
    }
    ~DataModuleTest() override {
        dm.reset();
        DataModuleDialogs = {};
    }

    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

    void WriteText(const char* name, const std::string& text) const {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    static void WriteTable(const std::string& path, void (*define)(TdxMemData&),
                           const std::vector<Row>& rows) {
        TdxMemData table;
        define(table);
        table.Open();
        for (const Row& row : rows) {
            table.Append();
            for (const auto& [field, value] : row)
                table.FieldByName(field)->SetAsString(value);
            table.Post();
        }
        TRC6 cipher(kFileKeyText);
        TMemoryStream work;
        RuleFile::Write(table, path, cipher, work);
    }

    static Row AppRule(const std::string& name, const std::string& path) {
        return {{"cAppName", name},
                {"cAppModuleName", path},
                {"bTCPConnect", "True"},
                {"nTCPConnectPortType", "0"},
                {"nActionWhenAccessNet", "0"}};
    }

    void WriteAppRules(const std::vector<Row>& rows) const {
        WriteTable(Path("rules/AppRule.dat"), DefineAppRulesFields, rows);
    }

    static Row IPRule(const std::string& name, const std::string& orderId) {
        return {{"Name", name}, {"OrderID", orderId}, {"EtherType", "2048"}};
    }

    void Create() { dm = std::make_unique<TDM>(); }

    static std::vector<std::string> Column(TdxMemData& table, const char* field) {
        std::vector<std::string> values;
        for (table.First(); !table.Eof(); table.Next())
            values.push_back(table.FieldByName(field)->AsString());
        return values;
    }

    QTemporaryDir dir;
    vrx::test::FakeSystemInfo system;
    vrx::os::ScopedService<vrx::os::SystemInfo> systemGuard{&vrx::os::Services::systemInfo,
                                                            &system};
    int answer = 7;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::unique_ptr<TDM> dm;
};

// --- Creation and the file table ---

TEST_F(DataModuleTest, CreationLoadsTheApplicationRulesAndThePortNames) {
    WriteAppRules({AppRule("a", "/usr/bin/a"), AppRule("b", "/usr/bin/b")});
    Create();
    EXPECT_EQ(DM, dm.get());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Column(dm->tblAppRules, "cAppName"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(dm->tblProtocolcName->AsString(), "Telnet");
    EXPECT_FALSE(dm->tblAppRulesEdit.Active());
    EXPECT_FALSE(dm->tblIPRules.Active());
    EXPECT_EQ(dm->AppRulesPath(), Path("rules/AppRule.dat"));
    EXPECT_EQ(dm->ProtocolPath(), Path("Protocol.dat"));
    dm.reset();
    EXPECT_EQ(DM, nullptr);
}

TEST_F(DataModuleTest, MissingRuleFilesLeaveOpenEmptyTablesAndAreNeverCreated) {
    Create();
    EXPECT_TRUE(dm->tblAppRules.Active());
    EXPECT_EQ(dm->tblAppRules.RecordCount(), 0);
    dm->LoadIPRules();
    dm->LoadDefaultIPRules();
    dm->LoadAppRulesEdit();
    for (TdxMemData* table : {&dm->tblIPRules, &dm->tblDefaultIPRules, &dm->tblAppRulesEdit}) {
        EXPECT_TRUE(table->Active());
        EXPECT_EQ(table->RecordCount(), 0);
    }
    dm->tblIPRules.Append();
    dm->tblIPRules.Post();
    EXPECT_FALSE(dm->SaveIPRules());
    EXPECT_FALSE(dm->SaveAppRules());
    EXPECT_TRUE(QDir(dir.filePath("rules")).isEmpty());
}

TEST_F(DataModuleTest, AFailingCreationStepIsShownAndSkipsTheRest) {
    WriteText("rules/AppRule.dat", std::string(32, '\x5A')); // decrypts to garbage
    Create();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "The data is incorrect");
    EXPECT_TRUE(dm->tblAppRules.Active());
    EXPECT_EQ(dm->tblAppRules.RecordCount(), 0);
    EXPECT_FALSE(dm->tblProtocol.Active()); // "Protocol.dat" was not reached

    dm.reset();
    QFile::remove(dir.filePath("rules/AppRule.dat"));
    QFile::remove(dir.filePath("Protocol.dat"));
    errors.clear();
    Create();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Protocol.dat"), std::string::npos);
}

TEST_F(DataModuleTest, UnhookedMessagesGoToTheApplicationsBoxes) {
    DataModuleDialogs.ShowMessage = nullptr;
    DataModuleDialogs.ShowException = nullptr;
    vrx::test::ScopedMessageBoxHook boxes;
    WriteText("rules/AppRule.dat", std::string(16, '\x5A'));
    Create();
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "The data is incorrect");
    EXPECT_EQ(boxes.asked[0].flags, vrx::forms::MB_OK | vrx::forms::MB_ICONERROR);

    WriteAppRules({AppRule("a", "/a")});
    dm->LoadAppRulesEdit();
    dm->tblAppRulesEdit.Edit();
    dm->tblAppRulesEdit.FieldByName("nTCPConnectPortType")->SetAsInteger(1);
    EXPECT_THROW(dm->tblAppRulesEdit.Post(), vrx::forms::EAbort);
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[1].text, LoadStr(50001));
    EXPECT_EQ(boxes.asked[1].flags, vrx::forms::MB_OK);
}

TEST_F(DataModuleTest, ResetCopiesTheDefaultsIntoTheUsersFileInTheirOrder) {
    WriteTable(Path("rules/DftIPRule.dat"), DefineIPRulesFields,
               {IPRule("second", "0800-06-0002"), IPRule("first", "0800-06-0001")});
    WriteTable(Path("rules/IPRule.dat"), DefineIPRulesFields, {IPRule("mine", "0800-11-0001")});
    Create();
    ASSERT_TRUE(dm->ResetIPRules());
    EXPECT_EQ(Column(dm->tblIPRules, "Name"), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(FileBytes(Path("rules/IPRule.dat")), FileBytes(Path("rules/DftIPRule.dat")));

    // Without the user's file a reset changes only the table in memory.
    QFile::remove(dir.filePath("rules/IPRule.dat"));
    dm->tblIPRules.Close();
    EXPECT_FALSE(dm->ResetIPRules());
    EXPECT_EQ(dm->tblIPRules.RecordCount(), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("rules/IPRule.dat")));
}

TEST_F(DataModuleTest, ASaveLeavesNoTemporaryFileBehind) {
    WriteAppRules({AppRule("a", "/a")});
    Create();
    ASSERT_TRUE(dm->SaveAppRules());
    EXPECT_EQ(QDir(dir.filePath("rules")).entryList(QDir::Files), QStringList{"AppRule.dat"});
}

// --- OrderID ---

struct OrderIdCase {
    int etherType;
    int protocol;
    int priority;
    const char* orderId;
};

class OrderIdTest : public DataModuleTest, public ::testing::WithParamInterface<OrderIdCase> {};

TEST_P(OrderIdTest, IsComputedAtEveryPostOfBothIPTables) {
    Create();
    dm->LoadIPRules();
    dm->LoadDefaultIPRules();
    for (TdxMemData* table : {&dm->tblIPRules, &dm->tblDefaultIPRules}) {
        table->Append();
        table->FieldByName("EtherType")->SetAsInteger(GetParam().etherType);
        table->FieldByName("ProtocolOnIP")->SetAsInteger(GetParam().protocol);
        table->FieldByName("Priority")->SetAsInteger(GetParam().priority);
        table->Post();
        EXPECT_EQ(table->FieldByName("OrderID")->AsString(), GetParam().orderId);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, OrderIdTest,
                         ::testing::Values(OrderIdCase{0x0800, 17, 1, "0800-11-0001"},
                                           OrderIdCase{2048, 6, 26, "0800-06-001A"},
                                           OrderIdCase{0x86DD, 0, 0x12345, "86DD-00-12345"},
                                           OrderIdCase{0x0800, 1, -1, "0800-01-FFFFFFFF"}));

TEST_F(DataModuleTest, PostedIPRulesMoveToTheirPlaceAndEqualKeysKeepLoadOrder) {
    WriteTable(Path("rules/IPRule.dat"), DefineIPRulesFields,
               {IPRule("tcp", "0800-06-0001"), IPRule("udp-a", "0800-11-0001"),
                IPRule("udp-b", "0800-11-0001"), IPRule("arp", "0806-00-0000")});
    Create();
    dm->LoadIPRules();
    EXPECT_EQ(Column(dm->tblIPRules, "Name"),
              (std::vector<std::string>{"tcp", "udp-a", "udp-b", "arp"}));

    dm->tblIPRules.Append();
    dm->tblIPRulesName->SetAsString("udp-new");
    dm->tblIPRulesEtherType->SetAsInteger(0x0800);
    dm->tblIPRulesProtocolOnIP->SetAsInteger(17);
    dm->tblIPRulesPriority->SetAsInteger(1);
    dm->tblIPRules.Post();
    EXPECT_EQ(dm->tblIPRules.RecNo(), 4);
    EXPECT_EQ(Column(dm->tblIPRules, "Name"),
              (std::vector<std::string>{"tcp", "udp-a", "udp-b", "udp-new", "arp"}));

    // An edit that changes the key moves the record at once.
    ASSERT_TRUE(dm->tblIPRules.Locate("Name", "arp"));
    dm->tblIPRules.Edit();
    dm->tblIPRulesEtherType->SetAsInteger(0x0700);
    dm->tblIPRules.Post();
    EXPECT_EQ(dm->tblIPRules.RecNo(), 1);
    EXPECT_EQ(dm->tblIPRulesOrderID->AsString(), "0700-00-0000");
}

// --- The port check ---

struct PortCase {
    const char* type;
    const char* start;
    const char* end;
    bool accepted;
};

class PortCheckTest : public DataModuleTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortCheckTest, RangeNeedsBothPortsBetweenOneAnd65535) {
    WriteAppRules({AppRule("a", "/a")});
    Create();
    dm->LoadAppRulesEdit();
    const QByteArray before = FileBytes(dm->AppRulesPath());

    dm->tblAppRulesEdit.Edit();
    dm->tblAppRulesEdit.FieldByName("nTCPConnectPortType")->SetAsString(GetParam().type);
    dm->tblAppRulesEdit.FieldByName("nTCPConnectPortStart")->SetAsString(GetParam().start);
    dm->tblAppRulesEdit.FieldByName("nTCPConnectPortEnd")->SetAsString(GetParam().end);
    if (GetParam().accepted) {
        dm->tblAppRulesEdit.Post();
        EXPECT_TRUE(messages.empty());
        EXPECT_NE(FileBytes(dm->AppRulesPath()), before);
        EXPECT_EQ(dm->tblAppRules.FieldByName("nTCPConnectPortStart")->AsString(),
                  GetParam().start);
    } else {
        EXPECT_THROW(dm->tblAppRulesEdit.Post(), vrx::forms::EAbort);
        EXPECT_EQ(messages, std::vector<std::string>{LoadStr(50001)});
        EXPECT_EQ(dm->tblAppRulesEdit.State(), DataSetState::Edit);
        EXPECT_EQ(dm->tblAppRulesEdit.FieldByName("nTCPConnectPortStart")->AsString(),
                  GetParam().start);
        EXPECT_EQ(FileBytes(dm->AppRulesPath()), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortCheckTest,
    ::testing::Values(PortCase{"1", "0", "80", false}, PortCase{"1", "80", "0", false},
                      PortCase{"1", "", "80", false}, PortCase{"1", "443", "80", true},
                      PortCase{"1", "1", "65535", true}, PortCase{"0", "0", "0", true},
                      PortCase{"2", "0", "", true}, PortCase{"", "0", "0", true}));

// --- The edit copy ---

TEST_F(DataModuleTest, LeavingAnEditedRuleAndAnsweringNoWritesNothing) {
    WriteAppRules({AppRule("a", "/a"), AppRule("b", "/b")});
    Create();
    dm->LoadAppRulesEdit();
    const QByteArray before = FileBytes(dm->AppRulesPath());
    const TBookmark live = dm->tblAppRules.GetBookmark();

    dm->tblAppRulesEdit.Edit();
    dm->tblAppRulesEdit.FieldByName("cAppName")->SetAsString("changed");
    answer = 7;
    dm->tblAppRulesEdit.Next();
    EXPECT_EQ(questions, std::vector<std::string>{LoadStr(30101)});
    EXPECT_EQ(dm->tblAppRulesEdit.RecNo(), 2);
    EXPECT_EQ(Column(dm->tblAppRulesEdit, "cAppName"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(FileBytes(dm->AppRulesPath()), before);
    EXPECT_TRUE(dm->tblAppRules.BookmarkValid(live)); // not reloaded
}

TEST_F(DataModuleTest, LeavingAnEditedRuleAndAnsweringYesSavesAndReloadsTheLiveTable) {
    WriteAppRules({AppRule("a", "/a"), AppRule("b", "/b")});
    Create();
    dm->LoadAppRulesEdit();
    const TBookmark live = dm->tblAppRules.GetBookmark();

    dm->tblAppRulesEdit.Edit();
    dm->tblAppRulesEdit.FieldByName("cAppName")->SetAsString("changed");
    answer = 6;
    dm->tblAppRulesEdit.Next();
    EXPECT_EQ(dm->tblAppRulesEdit.RecNo(), 2);
    EXPECT_FALSE(dm->tblAppRules.BookmarkValid(live));
    EXPECT_EQ(Column(dm->tblAppRules, "cAppName"), (std::vector<std::string>{"changed", "b"}));
}

TEST_F(DataModuleTest, ARefusedPostOnLeavingKeepsTheCursorOnTheEditedRule) {
    WriteAppRules({AppRule("a", "/a"), AppRule("b", "/b")});
    Create();
    dm->LoadAppRulesEdit();
    dm->tblAppRulesEdit.Edit();
    dm->tblAppRulesEdit.FieldByName("nTCPConnectPortType")->SetAsInteger(1);
    dm->tblAppRulesEdit.FieldByName("nTCPConnectPortStart")->SetAsInteger(0);
    answer = 6;
    EXPECT_THROW(dm->tblAppRulesEdit.Next(), vrx::forms::EAbort);
    EXPECT_EQ(messages, std::vector<std::string>{LoadStr(50001)});
    EXPECT_EQ(dm->tblAppRulesEdit.RecNo(), 1);
    EXPECT_EQ(dm->tblAppRulesEdit.State(), DataSetState::Edit);
}

TEST_F(DataModuleTest, DeletingARuleWritesTheFileAndReloadsTheLiveTable) {
    WriteAppRules({AppRule("a", "/a"), AppRule("b", "/b")});
    Create();
    dm->LoadAppRulesEdit();
    dm->tblAppRulesEdit.Delete();
    EXPECT_EQ(Column(dm->tblAppRules, "cAppName"), std::vector<std::string>{"b"});
    dm->LoadAppRulesEdit();
    EXPECT_EQ(Column(dm->tblAppRulesEdit, "cAppName"), std::vector<std::string>{"b"});
}

TEST_F(DataModuleTest, TheEditDataSourceIsEnabledExactlyWhenThereAreRules) {
    WriteAppRules({AppRule("a", "/a")});
    Create();
    dm->LoadAppRulesEdit();
    EXPECT_TRUE(dm->dsAppRulesEdit.Enabled());
    dm->tblAppRulesEdit.Delete();
    EXPECT_FALSE(dm->dsAppRulesEdit.Enabled());
    dm->LoadAppRulesEdit(); // the file now holds no rules
    EXPECT_FALSE(dm->dsAppRulesEdit.Enabled());
}

TEST_F(DataModuleTest, ControlsBoundToTheEditSourceWriteTheCopyAndSwitchOffWithoutRules) {
    WriteAppRules({AppRule("a", "/a")});
    Create();
    dm->LoadAppRulesEdit();
    vrx::forms::TDBCheckBox box(nullptr);
    box.SetDataSource(&dm->dsAppRulesEdit);
    box.SetDataField("bTCPConnect");
    vrx::forms::TDBEdit edit(nullptr);
    edit.SetDataSource(&dm->dsAppRulesEdit);
    edit.SetDataField("cAppName");
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(edit.Text(), "a");

    box.Click(); // the user unticks it: "False" into the boolean field of the edit copy
    EXPECT_EQ(dm->tblAppRulesEdit.State(), DataSetState::Edit);
    EXPECT_FALSE(dm->tblAppRulesEdit.FieldByName("bTCPConnect")->AsBoolean());
    dm->tblAppRulesEdit.Post();
    EXPECT_FALSE(dm->tblAppRules.FieldByName("bTCPConnect")->AsBoolean()); // saved and reloaded

    dm->tblAppRulesEdit.Delete();
    EXPECT_FALSE(dm->dsAppRulesEdit.Enabled());
    EXPECT_TRUE(box.ReadOnly());
    EXPECT_TRUE(edit.ReadOnly());
    EXPECT_EQ(edit.Text(), "");
}

TEST_F(DataModuleTest, TheLiveTableIsReplacedOnlyUnderAppRulesLock) {
    WriteAppRules({AppRule("a", "/a")});
    Create();
    vrx::os::CriticalSection lock;
    dm->SetAppRulesLock(&lock);
    // While the live table is being reloaded, another thread (the request channel's worker)
    // must find the lock taken.
    int checks = 0;
    dm->tblAppRules.AfterScroll = [&](TdxMemData&) {
        bool lockedForOthers = false;
        std::thread worker([&] {
            lockedForOthers = !lock.tryEnter();
            if (!lockedForOthers)
                lock.leave();
        });
        worker.join();
        EXPECT_TRUE(lockedForOthers);
        ++checks;
    };
    dm->ReloadAppRules();
    dm->LoadAppRulesEdit();
    dm->tblAppRulesEdit.Edit();
    dm->tblAppRulesEdit.FieldByName("cAppName")->SetAsString("changed");
    dm->tblAppRulesEdit.Post(); // saves and reloads the live table
    EXPECT_GE(checks, 2);
    EXPECT_TRUE(lock.tryEnter()); // released again
    lock.leave();
    dm->SetAppRulesLock(nullptr);
}

} // namespace
