#include "Platform/forms/DBCtrls.h"
#include "Platform/forms/DBGrid.h"

#include "Platform/forms/Form.h"
#include "tests/support/FakeDataSet.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTextCursor>
#include <gtest/gtest.h>

using namespace vrx::forms;
using vrx::test::FakeDataSet;

namespace {

/// Two rules bound through one data source to an edit, a label, a memo and a radio group.
class DBCtrlsTest : public ::testing::Test {
protected:
    DBCtrlsTest() {
        source->SetDataSet(&table);
        edit->SetParent(form);
        text->SetParent(form);
        memo->SetParent(form);
        group->SetParent(form);
        group->SetBounds(0, 100, 175, 120);
        group->Items().Assign({"任何端口", "端口范围", "端口列表"});
        edit->SetDataSource(source);
        edit->SetDataField("nTCPConnectPortStart");
        text->SetDataSource(source);
        text->SetDataField("cAppModuleName");
        memo->SetDataSource(source);
        memo->SetDataField("FilterDesc");
        group->SetDataSource(source);
        group->SetDataField("nTCPConnectPortType");
        form->Show();
    }
    ~DBCtrlsTest() override { form->Free(); }

    FakeDataSet table{{
        {{"cAppModuleName", "firefox"},
         {"nTCPConnectPortStart", 80},
         {"FilterDesc", "第一行\r\n第二行"},
         {"nTCPConnectPortType", 1}},
        {{"cAppModuleName", "sshd"},
         {"nTCPConnectPortStart", 22},
         {"FilterDesc", "ssh"},
         {"nTCPConnectPortType", 0}},
    }};
    TForm* form = new TForm(nullptr);
    TDataSource* source = new TDataSource(form);
    TDBEdit* edit = new TDBEdit(form);
    TDBText* text = new TDBText(form);
    TDBMemo* memo = new TDBMemo(form);
    TDBRadioGroup* group = new TDBRadioGroup(form);
};

} // namespace

TEST_F(DBCtrlsTest, ControlsShowTheCurrentRecordAndFollowTheCursor) {
    EXPECT_EQ(edit->Text(), "80");
    EXPECT_EQ(text->Caption(), "firefox");
    EXPECT_EQ(memo->Lines().ToVector(), (std::vector<std::string>{"第一行", "第二行"}));
    EXPECT_EQ(group->ItemIndex(), 1);
    table.setRecNo(2);
    EXPECT_EQ(edit->Text(), "22");
    EXPECT_EQ(text->Caption(), "sshd");
    EXPECT_EQ(group->ItemIndex(), 0);
    table.Put(2, "cAppModuleName", "ssh-agent");
    EXPECT_EQ(text->Caption(), "ssh-agent");
}

TEST_F(DBCtrlsTest, TypingPutsTheTableIntoEditAndAssignsTheField) {
    auto* line = static_cast<QLineEdit*>(edit->Widget());
    line->setFocus();
    line->end(false);
    QTest::keyClicks(line, "8");
    EXPECT_EQ(table.state(), DataSetState::Edit);
    EXPECT_EQ(table.edits, 1);
    EXPECT_EQ(table.fieldValue("nTCPConnectPortStart").toString(), "808");
    EXPECT_EQ(edit->Text(), "808");
    group->Widget()->findChildren<QRadioButton*>()[2]->click();
    EXPECT_EQ(table.fieldValue("nTCPConnectPortType").toInt(), 2);
}

TEST_F(DBCtrlsTest, RadioGroupChangeRunsForTheUserAndForTheData) {
    int changes = 0;
    group->OnChange = [&](TObject*) { ++changes; };
    table.setRecNo(2); // 1 -> 0 by the data
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(table.assignments, 0); // showing the data writes nothing back
    group->Widget()->findChildren<QRadioButton*>()[1]->click();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(table.assignments, 1);
}

TEST_F(DBCtrlsTest, RadioGroupWithValuesMapsItemsToThem) {
    group->Values().Assign({"1", "2", "5"});
    table.setRecNo(1); // value 1 is the first item
    EXPECT_EQ(group->ItemIndex(), 0);
    group->Widget()->findChildren<QRadioButton*>()[2]->click();
    EXPECT_EQ(table.fieldValue("nTCPConnectPortType").toString(), "5");
}

TEST_F(DBCtrlsTest, DisabledSourceOrSuspendedTableTellsNothingUntilResumed) {
    source->SetEnabled(false);
    EXPECT_EQ(text->Caption(), "");
    EXPECT_TRUE(edit->ReadOnly());
    table.setRecNo(2);
    EXPECT_EQ(text->Caption(), "");
    source->SetEnabled(true);
    EXPECT_EQ(text->Caption(), "sshd");

    table.DisableControls();
    table.setRecNo(1);
    EXPECT_EQ(text->Caption(), "sshd"); // not following the cursor
    table.EnableControls();
    EXPECT_EQ(text->Caption(), "firefox");
}

TEST_F(DBCtrlsTest, InactiveTableShowsNothingAndControlsLeaveTheSourceWhenFreed) {
    table.Close();
    EXPECT_EQ(edit->Text(), "");
    EXPECT_TRUE(edit->ReadOnly());
    delete text; // leaves the source's links; later changes must not reach it
    table.post();
    EXPECT_EQ(edit->Text(), "80");
}

TEST_F(DBCtrlsTest, MemoEditAssignsLinesJoinedByCrLf) {
    table.setRecNo(2);
    auto* plain = static_cast<QPlainTextEdit*>(memo->Widget());
    plain->setFocus();
    plain->moveCursor(QTextCursor::End);
    QTest::keyClicks(plain, "d");
    EXPECT_EQ(table.fieldValue("FilterDesc").toString().toStdString(), "sshd");
}

TEST_F(DBCtrlsTest, GridShowsEveryRecordFollowsTheCursorAndMovesItOnClick) {
    auto* grid = new TDBGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 300, 120);
    grid->Columns() = {{"cAppModuleName", "程序", 120}, {"nTCPConnectPortStart", "端口", 60}};
    grid->LayoutChanged();
    grid->SetDataSource(source);
    auto* view = static_cast<QTableWidget*>(grid->Widget());
    EXPECT_EQ(view->rowCount(), 2);
    EXPECT_EQ(view->currentRow(), 0);
    table.setRecNo(2);
    EXPECT_EQ(view->currentRow(), 1);

    std::vector<std::pair<int, std::string>> drawn;
    grid->OnDrawColumnCell = [&](TObject*, const TRect& r, int row, const TColumn& column,
                                 TOwnerDrawState) {
        drawn.emplace_back(row, column.FieldName);
        grid->DefaultDrawColumnCell(r, row, column);
    };
    grid->Widget()->grab();
    EXPECT_NE(
        std::find(drawn.begin(), drawn.end(), std::make_pair(1, std::string("cAppModuleName"))),
        drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(),
                        std::make_pair(2, std::string("nTCPConnectPortStart"))),
              drawn.end());

    std::string clickedColumn;
    grid->OnCellClick = [&](const TColumn& column) { clickedColumn = column.FieldName; };
    const QRect cell = view->visualRect(view->model()->index(0, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(table.recNo(), 1);
    EXPECT_EQ(clickedColumn, "nTCPConnectPortStart");
    EXPECT_EQ(text->Caption(), "firefox"); // the other controls followed
}

TEST_F(DBCtrlsTest, CheckBoxTicksFromTheFieldAndFollowsTheCursor) {
    // Boolean values, their texts in any case, and null.
    const std::vector<std::pair<QVariant, bool>> cases = {{true, true},     {false, false},
                                                          {"True", true},   {"TRUE", true},
                                                          {"False", false}, {{}, false}};
    auto* box = new TDBCheckBox(form);
    box->SetParent(form);
    box->SetDataSource(source);
    box->SetDataField("bTCPConnect");
    for (const auto& [value, checked] : cases) {
        table.Put(1, "bTCPConnect", value);
        EXPECT_EQ(box->Checked(), checked) << value.toString().toStdString();
    }
    table.Put(1, "bTCPConnect", true);
    table.Put(2, "bTCPConnect", false);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    table.setRecNo(2);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 1); // ticked by the data, as a plain check box tells it
    EXPECT_EQ(table.assignments, 0);
}

TEST_F(DBCtrlsTest, CheckBoxClickWritesTheTextsBeforeOnClickRuns) {
    auto* box = new TDBCheckBox(form);
    box->SetParent(form);
    box->SetBounds(0, 240, 150, 20);
    box->SetDataSource(source);
    box->SetDataField("bUDPSend");
    table.Put(1, "bUDPSend", true);
    std::vector<std::string> seenInClick;
    box->OnClick = [&](TObject*) {
        seenInClick.push_back(table.fieldValue("bUDPSend").toString().toStdString());
    };
    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(table.state(), DataSetState::Edit);
    EXPECT_EQ(table.fieldValue("bUDPSend"), QVariant("False"));
    box->Click();
    EXPECT_EQ(table.fieldValue("bUDPSend"), QVariant("True"));
    EXPECT_EQ(seenInClick, (std::vector<std::string>{"False", "True"}));
    EXPECT_EQ(table.edits, 1); // the second change found the record in edit state already

    box->SetValueChecked("Y");
    box->SetValueUnchecked("N");
    EXPECT_FALSE(box->Checked()); // "True" is not "Y"
    box->Click();
    EXPECT_EQ(table.fieldValue("bUDPSend"), QVariant("Y"));
}

TEST_F(DBCtrlsTest, CheckBoxIsReadOnlyWithoutAnActiveFieldBehindAnEnabledSource) {
    auto* box = new TDBCheckBox(form);
    box->SetParent(form);
    box->SetBounds(0, 240, 150, 20);
    box->SetDataSource(source);
    box->SetDataField("bUDPSend");
    table.Put(1, "bUDPSend", true);
    int clicks = 0;
    int presses = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };

    const std::vector<std::function<void()>> switchOff = {
        [&] { source->SetEnabled(false); },
        [&] { table.Close(); },
        [&] { box->SetDataField(""); },
    };
    for (const auto& off : switchOff) {
        off();
        const bool before = box->Checked();
        clicks = 0;
        EXPECT_TRUE(box->ReadOnly());
        QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(6, 10));
        box->Widget()->setFocus();
        QTest::keyClick(box->Widget(), Qt::Key_Space);
        box->Click();
        EXPECT_EQ(box->Checked(), before);
        EXPECT_EQ(clicks, 0);
        EXPECT_EQ(table.assignments, 0);
        // Back on for the next way of switching off.
        source->SetEnabled(true);
        table.post();
        box->SetDataField("bUDPSend");
        EXPECT_FALSE(box->ReadOnly());
    }
    EXPECT_EQ(presses, 3); // the mouse handler still hears a read-only box
}

TEST(DataSourceTest, ControlsOutlivingTheirSourceForgetIt) {
    FakeDataSet table(std::vector<FakeDataSet::Record>{{{"cAppName", "a"}}});
    TForm* form = new TForm(nullptr);
    auto* edit = new TDBEdit(form);
    auto* grid = new TDBGrid(form);
    {
        TDataSource source; // no owner, as a member of a plain object
        source.SetDataSet(&table);
        edit->SetDataSource(&source);
        edit->SetDataField("cAppName");
        grid->SetDataSource(&source);
        EXPECT_EQ(edit->Text(), "a");
    }
    EXPECT_EQ(edit->DataSource(), nullptr);
    EXPECT_EQ(grid->DataSource(), nullptr);
    table.setRecNo(1); // the table forgot the source too: nothing reaches the freed one
    form->Free();      // the controls leave no source behind
}
