#include "Platform/forms/TrayIcon.h"

#include "Platform/forms/ImageList.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vrx::forms;

namespace {

/// A tray icon over four images, resting on image 3, blinking between images 0 and 1.
class TrayIconTest : public ::testing::Test {
protected:
    TrayIconTest() {
        for (int i = 0; i < 4; ++i) {
            QPixmap p(32, 32);
            p.fill(QColor(i * 60, 0, 0));
            images.Add(p);
        }
        tray.SetIcons(&images);
        tray.SetIconIndex(3);
        tray.SetAnimateInterval(500);
        tray.SetAnimateEndImage(1);
        tray.SetAnimateCycles(6);
    }
    /// The images shown over n steps.
    std::vector<int> steps(int n) {
        std::vector<int> shown;
        for (int i = 0; i < n; ++i) {
            tray.AnimationStep();
            shown.push_back(tray.ShownImage());
        }
        return shown;
    }

    TImageList images{nullptr, 32, 32};
    TTrayIcon tray{nullptr};
};

} // namespace

TEST_F(TrayIconTest, BlinksForSixCyclesThenRestoresTheIcon) {
    EXPECT_EQ(tray.ShownImage(), 3);
    tray.StartAnimation();
    EXPECT_TRUE(tray.Animating());
    EXPECT_EQ(tray.ShownImage(), 0);
    EXPECT_EQ(steps(11), (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
    EXPECT_TRUE(tray.Animating());
    tray.AnimationStep(); // the sixth return to image 0 ends it
    EXPECT_FALSE(tray.Animating());
    EXPECT_EQ(tray.ShownImage(), 3);
    tray.AnimationStep(); // a stray tick after the end changes nothing
    EXPECT_EQ(tray.ShownImage(), 3);
}

TEST_F(TrayIconTest, StartingAgainRestartsTheCountAndKeepsTheRestingIcon) {
    tray.StartAnimation();
    steps(9);
    tray.StartAnimation();
    EXPECT_EQ(tray.ShownImage(), 0);
    steps(11);
    EXPECT_TRUE(tray.Animating());
    steps(1);
    EXPECT_FALSE(tray.Animating());
    EXPECT_EQ(tray.ShownImage(), 3); // not a frame remembered by the second start
}

TEST_F(TrayIconTest, IconChangedWhileBlinkingAppearsAfterwards) {
    tray.StartAnimation();
    tray.SetIconIndex(2);
    EXPECT_NE(tray.ShownImage(), 2);
    tray.StopAnimation();
    EXPECT_EQ(tray.ShownImage(), 2);
}

TEST_F(TrayIconTest, MouseEventsReachTheHandlerWithTheirButton) {
    std::vector<TMouseButton> buttons;
    tray.OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) { buttons.push_back(b); };
    tray.SetHint("VORNEX防火墙个人版");
    tray.SetVisible(true); // offscreen: no desktop tray, the model still works
    EXPECT_TRUE(tray.Visible());
    tray.MouseUp(TMouseButton::mbRight);
    tray.MouseUp(TMouseButton::mbLeft);
    EXPECT_EQ(buttons, (std::vector<TMouseButton>{TMouseButton::mbRight, TMouseButton::mbLeft}));
}
