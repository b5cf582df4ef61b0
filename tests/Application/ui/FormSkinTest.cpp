#include "Application/ui/FormSkin.h"

#include "Platform/forms/Form.h"
#include "Platform/forms/Messages.h"

#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using namespace vrx::forms;

namespace {

/// A 200 x 120 form with its own paint and resize handlers.
class FormSkinTest : public ::testing::Test {
protected:
    FormSkinTest() {
        form->SetBounds(50, 50, 200, 120);
        form->OnPaint = [this](TObject* sender) {
            ownPaints.push_back(sender);
            TCanvas& canvas = form->Canvas();
            canvas.Brush.Style = TBrushStyle::bsClear;
            canvas.Font.Color = 0x0000FF;
            canvas.Font.Height = 16;
            canvas.TextOut(60, 70, "提示信息");
            canvas.Brush.Style = TBrushStyle::bsSolid;
        };
        form->OnResize = [this](TObject*) { ++ownResizes; };
        form->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
            ++ownMouseDowns;
        };
        form->Show();
    }
    ~FormSkinTest() override { form->Free(); }

    QImage shot() { return form->Snapshot(); }

    TForm* form = new TForm(nullptr);
    std::vector<TObject*> ownPaints;
    int ownResizes = 0;
    int ownMouseDowns = 0;
};

int countColour(const QImage& image, const QColor& colour, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

TEST_F(FormSkinTest, DecoratesTheFormWithItsFieldsRegionAndFrame) {
    TzhFomrSkin skin(*form);
    EXPECT_EQ(form->BorderStyle(), TFormBorderStyle::bsNone);
    EXPECT_EQ(skin.TitleHeight(), 40);
    EXPECT_EQ(skin.Margin(), 0);
    EXPECT_EQ(skin.CornerSize(), 20);
    EXPECT_EQ(skin.TitleColor(), 0x056D00u);
    EXPECT_EQ(skin.BodyColor(), 13889475u);
    EXPECT_EQ(form->WindowRegion(), RoundRectRegion(200, 120, 20, 20));
    EXPECT_FALSE(form->WindowRegion().contains(QPoint(0, 0)));
    EXPECT_TRUE(form->WindowRegion().contains(QPoint(100, 60)));
}

TEST_F(FormSkinTest, PaintsTitleBandAndBodyThenTheFormsOwnDrawingOnTop) {
    TzhFomrSkin skin(*form);
    const QImage image = shot();
    const QColor title = toQColor(0x056D00), body = toQColor(13889475);
    EXPECT_EQ(image.pixelColor(100, 20), title);             // the band
    EXPECT_EQ(image.pixelColor(100, 39), QColor(Qt::black)); // the line under the band
    EXPECT_EQ(image.pixelColor(100, 50), body);              // the body
    EXPECT_EQ(image.pixelColor(100, 59), body);              // the erased lower edge of step 3
    EXPECT_EQ(image.pixelColor(5, 55), body);                // squared upper corners of the body
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);            // outside the region
    EXPECT_EQ(image.pixelColor(198, 60), QColor(Qt::black)); // right outline at W - d - 1
    ASSERT_FALSE(ownPaints.empty());
    EXPECT_EQ(ownPaints.back(), form); // called with the form as sender
    EXPECT_GT(countColour(image, QColor(255, 0, 0), QRect(60, 70, 70, 20)), 10);
}

TEST_F(FormSkinTest, PressOnTheSurfaceDragsTheWindowInsteadOfTheFormsHandler) {
    TzhFomrSkin skin(*form);
    QTest::mousePress(form->Widget(), Qt::LeftButton, {}, QPoint(100, 80));
    EXPECT_TRUE(form->Moving());
    EXPECT_EQ(ownMouseDowns, 0);
    QTest::mouseRelease(form->Widget(), Qt::LeftButton, {}, QPoint(100, 80));
    EXPECT_FALSE(form->Moving());
}

TEST_F(FormSkinTest, ResizeRunsTheFormsHandlerAndKeepsTheRegion) {
    TzhFomrSkin skin(*form);
    const QRegion region = form->WindowRegion();
    const int before = ownResizes;
    form->SetBounds(50, 50, 260, 180);
    EXPECT_GT(ownResizes, before);
    EXPECT_EQ(form->WindowRegion(), region);
    EXPECT_EQ(skin.Region(), region);
}

TEST_F(FormSkinTest, DestroyedSkinGivesBackTheFormsHandlers) {
    { TzhFomrSkin skin(*form); }
    ownPaints.clear();
    const QImage image = shot();
    EXPECT_FALSE(ownPaints.empty());
    EXPECT_NE(image.pixelColor(100, 20), toQColor(0x056D00)); // no band any more
    const int resizes = ownResizes;
    form->SetBounds(50, 50, 210, 130);
    EXPECT_GT(ownResizes, resizes);
    QTest::mousePress(form->Widget(), Qt::LeftButton, {}, QPoint(100, 80));
    EXPECT_FALSE(form->Moving());
    EXPECT_EQ(ownMouseDowns, 0); // the form's old mouse-down handler is not restored
    QTest::mouseRelease(form->Widget(), Qt::LeftButton, {}, QPoint(100, 80));
}

TEST(FormSkinPlainTest, FormWithoutHandlersOfItsOwn) {
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 120, 90);
    auto* skin = new TzhFomrSkin(*form);
    form->Show();
    const QImage image = form->Snapshot();
    EXPECT_EQ(image.pixelColor(60, 60), toQColor(13889475));
    form->SetBounds(0, 0, 150, 100); // no resize handler of its own to call
    delete skin;
    EXPECT_FALSE(form->OnPaint);
    EXPECT_FALSE(form->OnResize);
    EXPECT_FALSE(form->OnMouseDown);
    form->Free();
}
