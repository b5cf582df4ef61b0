#include "Platform/forms/Buttons.h"
#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/ImageList.h"
#include "Platform/forms/MaskEdit.h"
#include "Platform/forms/Menus.h"
#include "Platform/forms/StdCtrls.h"
#include "tests/support/ModalHooks.h"

#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vrx::forms;

namespace {

/// A shown form to put controls on; freed with everything it owns.
class ControlsTest : public ::testing::Test {
protected:
    ControlsTest() {
        form->SetBounds(0, 0, 300, 200);
        form->Show();
    }
    ~ControlsTest() override { form->Free(); }

    template <typename T>
    T* add(TWinControl* parent = nullptr) {
        auto* control = new T(form);
        control->SetParent(parent ? parent : form);
        return control;
    }

    TForm* form = new TForm(nullptr);
};

} // namespace

TEST_F(ControlsTest, PressOnALabelIsTheLabelsNotTheForms) {
    auto* label = add<TLabel>();
    label->SetCaption("VORNEX防火墙提示信息");
    label->SetBounds(10, 10, 100, 20);
    int formDowns = 0, labelDowns = 0, clicks = 0;
    form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++formDowns; };
    label->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++labelDowns; };
    label->OnClick = [&](TObject*) { ++clicks; };
    QTest::mouseClick(label->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(labelDowns, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(formDowns, 0);
    QTest::mouseClick(form->Widget(), Qt::LeftButton, {}, QPoint(200, 150));
    EXPECT_EQ(formDowns, 1);
}

TEST_F(ControlsTest, AutoSizedLabelFitsItsTextAndWordWrappedOneKeepsItsWidth) {
    auto* label = add<TLabel>();
    label->SetCaption("short");
    const int shortWidth = label->Width();
    label->SetCaption("a much longer caption than before");
    EXPECT_GT(label->Width(), shortWidth);
    label->SetWordWrap(true);
    label->SetBounds(32, 55, 250, 49);
    label->SetCaption(
        "是否允许 an application with a long name 访问网络？ again and again and again");
    EXPECT_EQ(label->Width(), 250);
    EXPECT_EQ(label->Height(), 49);
}

TEST_F(ControlsTest, EditReportsEveryChangeAndKeepsTheEditClassesApart) {
    auto* edit = add<TEdit>();
    std::vector<std::string> seen;
    edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
    edit->SetText("10.0.0.1");
    QTest::keyClicks(edit->Widget(), "5");
    EXPECT_EQ(seen, (std::vector<std::string>{"10.0.0.1", "10.0.0.15"}));
    TComponent* mask = add<TMaskEdit>();
    EXPECT_EQ(dynamic_cast<TEdit*>(mask), nullptr); // a colour scheme must not take it for one
    EXPECT_NE(dynamic_cast<TCustomEdit*>(mask), nullptr);
}

struct MaskCase {
    const char* assigned;
    const char* text;
};

class MaskEditTest : public ControlsTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(MaskEditTest, AddressMaskKeepsLiteralsAndBlanks) {
    auto* edit = add<TMaskEdit>();
    edit->SetEditMask("999\\.999\\.999\\.999;1; ");
    edit->SetText(GetParam().assigned);
    EXPECT_EQ(edit->Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Addresses, MaskEditTest,
                         ::testing::Values(MaskCase{"192.168.000.001", "192.168.000.001"},
                                           MaskCase{"192.168.0.1", "192.168.0  .1  "},
                                           MaskCase{"", "   .   .   .   "},
                                           MaskCase{"10.1  .  0.  7", "10 .1  .  0.  7"}));

TEST_F(ControlsTest, MaskEditTakesOnlyDigitsFromTheKeyboard) {
    auto* edit = add<TMaskEdit>();
    edit->SetEditMask("999\\.999\\.999\\.999;1; ");
    edit->SetText("");
    auto* line = static_cast<QLineEdit*>(edit->Widget());
    line->setFocus();
    line->setCursorPosition(0);
    QTest::keyClicks(line, "12x3");
    EXPECT_EQ(edit->Text().substr(0, 4), "123.");
    EXPECT_EQ(edit->Text().size(), 15u);
}

TEST_F(ControlsTest, MemoLinesAddDeleteAndText) {
    auto* memo = add<TMemo>();
    TStrings& lines = memo->Lines();
    EXPECT_EQ(lines.Count(), 0);
    lines.Add("第一行");
    lines.Add("");
    lines.Add("third");
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines[0], "第一行");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(memo->Text(), "第一行\r\n\r\nthird\r\n");
    lines.Delete(0);
    EXPECT_EQ(lines.ToVector(), (std::vector<std::string>{"", "third"}));
    lines.Delete(1);
    EXPECT_EQ(lines.ToVector(), std::vector<std::string>{""});
    memo->SetText("a\r\nb");
    EXPECT_EQ(lines.ToVector(), (std::vector<std::string>{"a", "b"}));
    lines.Clear();
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_THROW(lines.Get(0), std::out_of_range);
}

TEST_F(ControlsTest, MemoMovesBetweenParentsWithItsLines) {
    auto* memo = add<TMemo>();
    memo->Lines().Add("kept");
    auto* other = new TForm(nullptr);
    memo->SetParent(other);
    memo->SetAlign(TAlign::alClient);
    other->SetBounds(0, 0, 200, 100);
    other->AlignControls();
    EXPECT_EQ(memo->Width(), 200);
    memo->SetAlign(TAlign::alNone);
    memo->SetParent(form); // given back before the borrower goes
    other->Free();
    EXPECT_EQ(memo->Lines()[0], "kept");
}

TEST_F(ControlsTest, CheckBoxRunsOnClickForTheUserAndForTheProgram) {
    auto* box = add<TCheckBox>();
    box->SetCaption("以后都按照这次的操作进行");
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(true); // no change, no click
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(5, box->Height() / 2));
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, ButtonWithAModalResultEndsItsModalForm) {
    auto* panel = add<TPanel>();
    auto* button = add<TButton>(panel);
    button->SetModalResult(mrOk);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    vrx::test::ScopedModalHook hook([&](TForm&) {
        QTest::mouseClick(button->Widget(), Qt::LeftButton);
        return mrNone;
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, SpeedButtonsOfAGroupAreDownOneAtATime) {
    auto* a = add<TSpeedButton>();
    auto* b = add<TSpeedButton>();
    auto* toggle = add<TSpeedButton>();
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    toggle->SetGroupIndex(2);
    toggle->SetAllowAllUp(true);
    a->Click();
    EXPECT_TRUE(a->Down());
    b->Click();
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    b->Click(); // without AllowAllUp a down button stays down
    EXPECT_TRUE(b->Down());
    toggle->Click();
    EXPECT_TRUE(toggle->Down());
    EXPECT_TRUE(b->Down()); // another group
    toggle->Click();
    EXPECT_FALSE(toggle->Down());
    toggle->SetDown(true);
    EXPECT_TRUE(toggle->Down());
}

TEST_F(ControlsTest, SpeedButtonClickAndHint) {
    auto* button = add<TSpeedButton>();
    button->SetHint("应用程序规则");
    button->SetShowHint(true);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button->ShowHint());
    EXPECT_EQ(button->Hint(), "应用程序规则");
    // A press that ends outside the button is no click.
    QTest::mousePress(button->Widget(), Qt::LeftButton);
    QTest::mouseRelease(button->Widget(), Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, ShowHintIsInheritedFromTheParent) {
    auto* panel = add<TPanel>();
    auto* label = add<TLabel>(panel);
    EXPECT_FALSE(label->ShowHint());
    form->SetShowHint(true);
    EXPECT_TRUE(label->ShowHint());
    panel->SetShowHint(false);
    EXPECT_FALSE(label->ShowHint());
}

TEST_F(ControlsTest, ImageDrawsItsPictureStretched) {
    auto* image = add<TImage>();
    image->SetBounds(0, 0, 40, 20);
    QPixmap red(4, 4);
    red.fill(Qt::red);
    image->SetPicture(red);
    image->SetStretch(true);
    const QImage shot = image->Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(39, 19), QColor(Qt::red));
}

TEST(ImageListTest, DrawsByIndexAndIgnoresMissingOnes) {
    TImageList list(nullptr, 8, 8);
    QPixmap green(16, 16);
    green.fill(Qt::green);
    EXPECT_EQ(list.Add(green), 0);
    EXPECT_EQ(list.GetBitmap(0).size(), QSize(8, 8));
    EXPECT_TRUE(list.GetBitmap(3).isNull());
    QImage target(20, 20, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        TCanvas canvas;
        TCanvas::Binding binding(canvas, painter);
        list.Draw(canvas, 10, 10, 0);
        list.Draw(canvas, 0, 0, 5);
    }
    EXPECT_EQ(target.pixelColor(12, 12), QColor(Qt::green));
    EXPECT_EQ(target.pixelColor(2, 2), QColor(Qt::white));
}

TEST(MenuTest, ChoosingAnEntryRunsItsHandler) {
    auto* owner = new TComponent(nullptr);
    auto* menu = new TPopupMenu(owner);
    std::vector<std::string> chosen;
    for (const char* caption : {"系统设置", "-", "关于", "-", "退出"}) {
        auto* item = new TMenuItem(owner);
        item->SetCaption(caption);
        item->OnClick = [&chosen, item](TObject*) { chosen.push_back(item->Caption()); };
        menu->Add(item);
    }
    menu->Items(2)->SetEnabled(false);
    QMenu* native = menu->NativeMenu();
    ASSERT_EQ(native->actions().size(), 5);
    EXPECT_TRUE(native->actions()[1]->isSeparator());
    native->actions()[4]->trigger();
    native->actions()[2]->trigger(); // disabled
    menu->Items(0)->Click();
    EXPECT_EQ(chosen, (std::vector<std::string>{"退出", "系统设置"}));
    delete owner;
}
