#include "Platform/forms/DBCtrlGrid.h"

#include "Platform/forms/Form.h"
#include "tests/support/FakeDataSet.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using namespace vrx::forms;
using vrx::test::FakeDataSet;

namespace {

constexpr TColor kPanelColor = rgb(0, 200, 0);
constexpr TColor kSelectedColor = rgb(200, 0, 0);
constexpr TColor kMarkColor = rgb(0, 0, 200);

/// Five records in a grid that shows two panels of 30 pixels at a time; every panel painted
/// is recorded and marked with a square at its own top-left corner.
class DBCtrlGridTest : public ::testing::Test {
protected:
    DBCtrlGridTest() {
        for (int i = 1; i <= 5; ++i)
            records.push_back({{"cAppName", QString("app%1").arg(i)}});
        table = std::make_unique<FakeDataSet>(records);
        source->SetDataSet(table.get());
        grid->SetParent(form);
        grid->SetBounds(10, 10, 200, 0);
        grid->SetRowCount(2);
        grid->SetPanelHeight(30);
        grid->SetColor(kPanelColor);
        grid->SetSelectedColor(kSelectedColor);
        grid->SetDataSource(source);
        grid->OnPaintPanel = [this](TObject* sender, int index) {
            EXPECT_EQ(sender, grid);
            painted.push_back(index);
            grid->Canvas().Brush.Color = kMarkColor;
            grid->Canvas().FillRect(TRect{0, 0, 6, 6});
        };
        form->Show();
    }
    ~DBCtrlGridTest() override { form->Free(); }

    /// Paints the grid and gives its picture; the panels painted are in `painted`.
    QImage Paint() {
        painted.clear();
        return grid->Widget()->grab().toImage();
    }
    static TColor At(const QImage& image, int x, int y) {
        return fromQColor(image.pixelColor(x, y));
    }

    std::vector<FakeDataSet::Record> records;
    std::unique_ptr<FakeDataSet> table;
    TForm* form = new TForm(nullptr);
    TDataSource* source = new TDataSource(form);
    TDBCtrlGrid* grid = new TDBCtrlGrid(form);
    std::vector<int> painted;
};

} // namespace

TEST_F(DBCtrlGridTest, PanelsInViewArePaintedAtTheirPlaceAndTheCurrentOneHighlighted) {
    EXPECT_EQ(grid->Height(), 60); // RowCount panels of PanelHeight
    EXPECT_EQ(grid->PanelCount(), 5);
    const QImage image = Paint();
    EXPECT_EQ(painted, (std::vector<int>{0, 1}));
    const int x = grid->PanelWidth() - 5;
    EXPECT_EQ(At(image, x, 15), kSelectedColor); // record 1 is current
    EXPECT_EQ(At(image, x, 45), kPanelColor);
    EXPECT_EQ(At(image, 2, 2), kMarkColor); // each panel's canvas starts at its corner
    EXPECT_EQ(At(image, 2, 32), kMarkColor);
    EXPECT_EQ(At(image, 2, 12), kSelectedColor);
    EXPECT_EQ(grid->PanelRect(1), (TRect{0, 30, grid->PanelWidth(), 60}));
    EXPECT_EQ(grid->PanelRect(2), TRect{}); // out of view
}

TEST_F(DBCtrlGridTest, TheViewScrollsByWholePanelsToFollowTheCursor) {
    table->setRecNo(5);
    EXPECT_EQ(grid->TopIndex(), 3);
    QImage image = Paint();
    EXPECT_EQ(painted, (std::vector<int>{3, 4}));
    const int x = grid->PanelWidth() - 5;
    EXPECT_EQ(At(image, x, 15), kPanelColor);
    EXPECT_EQ(At(image, x, 45), kSelectedColor);
    table->setRecNo(4); // already in view: no scrolling
    EXPECT_EQ(grid->TopIndex(), 3);
    table->setRecNo(2);
    EXPECT_EQ(grid->TopIndex(), 1);
    grid->SetTopIndex(99); // the user's scroll bar: clamped to the last full view
    EXPECT_EQ(grid->TopIndex(), 3);
    EXPECT_EQ(table->recNo(), 2);
}

TEST_F(DBCtrlGridTest, ClickingAPanelMovesTheCursorToItsRecord) {
    int presses = 0;
    grid->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
    QWidget* panels = grid->Widget()->childAt(20, 20);
    ASSERT_NE(panels, nullptr);
    QTest::mouseClick(panels, Qt::LeftButton, {}, QPoint(20, 45));
    EXPECT_EQ(table->recNo(), 2);
    grid->SetTopIndex(3);
    QTest::mouseClick(panels, Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_EQ(table->recNo(), 4);
    EXPECT_EQ(grid->TopIndex(), 3);
    EXPECT_EQ(presses, 2);
}

TEST_F(DBCtrlGridTest, NoPanelsWhileTheSourceIsOffOrTheTableClosed) {
    table->setRecNo(5);
    source->SetEnabled(false);
    EXPECT_EQ(grid->PanelCount(), 0);
    EXPECT_EQ(grid->TopIndex(), 0);
    QImage image = Paint();
    EXPECT_TRUE(painted.empty());
    EXPECT_EQ(At(image, 20, 15), kPanelColor);
    QTest::mouseClick(grid->Widget()->childAt(20, 20), Qt::LeftButton, {}, QPoint(20, 45));
    EXPECT_EQ(table->recNo(), 5);

    source->SetEnabled(true);
    EXPECT_EQ(grid->TopIndex(), 3);
    table->Close();
    EXPECT_EQ(grid->PanelCount(), 0);
    Paint();
    EXPECT_TRUE(painted.empty());
}
