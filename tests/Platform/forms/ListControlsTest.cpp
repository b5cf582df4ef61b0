#include "Platform/forms/ComboBox.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/Messages.h"
#include "Platform/forms/PageControl.h"
#include "Platform/forms/RadioGroup.h"
#include "Platform/forms/TreeView.h"

#include <QComboBox>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vrx::forms;

namespace {

class ListControlsTest : public ::testing::Test {
protected:
    ListControlsTest() {
        form->SetBounds(0, 0, 400, 300);
        form->Show();
    }
    ~ListControlsTest() override { form->Free(); }

    template <typename T>
    T* add() {
        auto* control = new T(form);
        control->SetParent(form);
        return control;
    }

    TForm* form = new TForm(nullptr);
};

} // namespace

TEST_F(ListControlsTest, ComboBoxChangeComesFromTheUserOnly) {
    auto* combo = add<TComboBox>();
    combo->Items().Assign({"接收", "发送", "接收或发送"});
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), "接收或发送");
    EXPECT_EQ(changes, 0);
    static_cast<QComboBox*>(combo->Widget())->activated(0);
    static_cast<QComboBox*>(combo->Widget())->setCurrentIndex(0); // as the popup does
    EXPECT_EQ(changes, 1);
    combo->SetItemIndex(7); // out of range: nothing chosen
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ListControlsTest, OwnerDrawnComboBoxDrawsItemsThroughItsHandler) {
    auto* combo = add<TComboBox>();
    combo->SetStyle(TComboBoxStyle::csOwnerDrawFixed);
    combo->SetImageBase(3);
    combo->SetBounds(0, 0, 150, 24);
    combo->Items().Assign({"拦截", "通行", "继续下一规则"});
    combo->SetItemIndex(1);
    std::vector<std::pair<int, TOwnerDrawState>> drawn;
    combo->OnDrawItem = [&](TObject* control, int index, const TRect& r, TOwnerDrawState state) {
        drawn.emplace_back(index, state);
        auto* self = static_cast<TComboBox*>(control);
        self->Canvas().Brush.Color = 0x0000FF;
        self->Canvas().FillRect(r);
        EXPECT_EQ(self->ImageBase(), 3);
    };
    const QImage face = combo->Widget()->grab().toImage();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().first, 1);
    EXPECT_TRUE(drawn.back().second & odComboBoxEdit);
    int red = 0;
    for (int x = 0; x < face.width(); ++x)
        red += face.pixelColor(x, face.height() / 2) == QColor(255, 0, 0);
    EXPECT_GT(red, 50);
}

TEST_F(ListControlsTest, RadioGroupChoiceRunsOnClick) {
    auto* group = add<TRadioGroup>();
    group->SetBounds(16, 208, 177, 61);
    group->SetCaption("不符合上面条件时");
    group->Items().Assign({"询   问", "禁止操作"});
    std::vector<int> seen;
    group->OnClick = [&](TObject*) { seen.push_back(group->ItemIndex()); };
    group->SetItemIndex(1);
    group->SetItemIndex(1);
    const auto buttons = group->Widget()->findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_TRUE(buttons[1]->isChecked());
    buttons[0]->click();
    EXPECT_EQ(group->ItemIndex(), 0);
    group->SetItemIndex(-1);
    EXPECT_FALSE(buttons[0]->isChecked());
    EXPECT_EQ(seen, (std::vector<int>{1, 0, -1}));
}

TEST_F(ListControlsTest, PageControlWithOwnerDrawnTabs) {
    auto* pages = add<TPageControl>();
    pages->SetBounds(0, 0, 300, 200);
    for (const char* caption : {"IP", "TCP", "UDP", "ICMP", "IGMP"}) {
        auto* sheet = new TTabSheet(form);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
    }
    ASSERT_EQ(pages->PageCount(), 5);
    EXPECT_EQ(pages->Pages(3)->PageIndex(), 3);
    int changes = 0;
    pages->OnChange = [&](TObject*) { ++changes; };
    pages->SetActivePageIndex(2);
    EXPECT_EQ(pages->ActivePage(), pages->Pages(2));
    EXPECT_EQ(changes, 0);
    std::vector<std::pair<int, bool>> tabs;
    pages->SetOwnerDraw(true);
    pages->OnDrawTab = [&](TObject*, int index, const TRect& r, bool active) {
        tabs.emplace_back(index, active);
        pages->Canvas().FillRect(r);
        pages->Canvas().TextOut(r.Left + 5, r.Top + 3, pages->Pages(index)->Caption());
    };
    pages->Widget()->grab();
    ASSERT_EQ(tabs.size(), 5u);
    EXPECT_EQ(tabs[2], std::make_pair(2, true));
    EXPECT_FALSE(tabs[0].second);
    delete pages->Pages(0); // a freed sheet leaves its page control
    EXPECT_EQ(pages->PageCount(), 4);
    EXPECT_EQ(pages->Pages(0)->Caption(), "TCP");
}

TEST_F(ListControlsTest, TreeNodesAnnounceTheirDeletionWithTheirData) {
    auto* view = new TTreeView(nullptr);
    view->SetParent(form);
    std::vector<std::string> deleted;
    int freedData = 0;
    view->OnDeletion = [&](TObject*, TTreeNode* node) {
        deleted.push_back(node->Text());
        delete static_cast<int*>(node->Data());
        ++freedData;
    };
    TTreeNode* process = view->Items().AddChildObject(nullptr, "explorer.exe", new int(1));
    view->Items().AddChildObject(process, "TCP 80", new int(2));
    view->Items().AddChildObject(process, "UDP 53", new int(3));
    TTreeNode* other = view->Items().AddChildObject(nullptr, "sshd", new int(4));
    EXPECT_EQ(view->Items().TotalCount(), 4);
    EXPECT_EQ(process->Item(1)->Level(), 1);
    EXPECT_EQ(process->Item(1)->Index(), 1);
    EXPECT_EQ(*static_cast<int*>(process->Item(0)->Data()), 2);
    view->SetSelected(other);
    EXPECT_EQ(view->Selected(), other);

    process->Delete();
    EXPECT_EQ(deleted, (std::vector<std::string>{"UDP 53", "TCP 80", "explorer.exe"}));
    EXPECT_EQ(view->Items().Count(), 1);
    view->Free(); // the rest is announced when the view goes
    EXPECT_EQ(deleted.back(), "sshd");
    EXPECT_EQ(freedData, 4);
}

TEST_F(ListControlsTest, SystemMoveCommandMakesABorderlessFormFollowTheMouse) {
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(100, 100, 200, 100);
    form->Show();
    QTest::mousePress(form->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    ReleaseCapture();
    form->Perform(WM_SYSCOMMAND, SC_DRAGMOVE, 0);
    ASSERT_TRUE(form->Moving()); // no window manager here: the form moves itself
    QTest::mouseMove(form->Widget(), QPoint(40, 30));
    EXPECT_EQ(form->Left(), 130);
    EXPECT_EQ(form->Top(), 120);
    QTest::mouseRelease(form->Widget(), Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_FALSE(form->Moving());
}
