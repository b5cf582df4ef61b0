#include "Platform/forms/Canvas.h"

#include "Platform/forms/Color.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vrx::forms;

namespace {

/// A white picture with a canvas bound to it for the test's span.
class CanvasTest : public ::testing::Test {
protected:
    CanvasTest() : image(40, 40, QImage::Format_RGB32) {
        image.fill(Qt::white);
        painter.begin(&image);
        binding = std::make_unique<TCanvas::Binding>(canvas, painter);
    }
    QColor at(int x, int y) {
        binding.reset();
        painter.end();
        return image.pixelColor(x, y);
    }

    QImage image;
    QPainter painter;
    TCanvas canvas;
    std::unique_ptr<TCanvas::Binding> binding;
};

} // namespace

TEST(ColorTest, WindowColourValuesHoldRedInTheLowestByte) {
    EXPECT_EQ(toQColor(0x056D00), QColor(0x00, 0x6D, 0x05));
    EXPECT_EQ(toQColor(13889475), QColor(0xC3, 0xEF, 0xD3));
    EXPECT_EQ(fromQColor(QColor(0xA5, 0xE7, 0xBD)), 12445605u);
    EXPECT_EQ(rgb(0x12, 0x34, 0x56), 0x563412u);
}

TEST_F(CanvasTest, RectangleCoversLeftTopButNotRightBottom) {
    canvas.Pen.Color = clBlack;
    canvas.Brush.Color = 0x0000FF;
    canvas.Rectangle(10, 10, 20, 20);
    binding.reset();
    painter.end();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(19, 19), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(15, 15), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::white));
}

TEST_F(CanvasTest, LineStopsOnePixelShortOfItsEnd) {
    canvas.Pen.Color = 0x00FF00;
    canvas.MoveTo(5, 5);
    canvas.LineTo(15, 5);
    EXPECT_EQ(canvas.PenPos(), QPoint(15, 5));
    binding.reset();
    painter.end();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(14, 5), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(15, 5), QColor(Qt::white));
}

TEST_F(CanvasTest, PolylineOfWidthTwo) {
    canvas.Pen.Color = 0x002203;
    canvas.Pen.Width = 2;
    canvas.Polyline({{2, 0}, {2, 30}, {30, 30}});
    EXPECT_EQ(at(2, 10), toQColor(0x002203));
}

TEST_F(CanvasTest, OrRasterOperationCombinesPictureAndSurface) {
    canvas.Brush.Color = 0x0000FF; // red background
    canvas.FillRect(TRect{0, 0, 40, 40});
    QPixmap blue(4, 4);
    blue.fill(QColor(0, 0, 255));
    canvas.CopyMode = cmSrcPaint;
    canvas.Draw(10, 10, blue);
    EXPECT_EQ(at(11, 11), QColor(255, 0, 255));
}

TEST_F(CanvasTest, RoundRectLeavesTheCornersOut) {
    canvas.Brush.Color = 0x056D00;
    canvas.RoundRect(0, 0, 40, 40, 20, 20);
    binding.reset();
    painter.end();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 20), toQColor(0x056D00));
}

TEST_F(CanvasTest, TextOutOnAClearBrushKeepsTheBackground) {
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Color = clBlack;
    canvas.Font.Height = 16;
    canvas.TextOut(2, 2, "防火墙");
    int dark = 0;
    binding.reset();
    painter.end();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            dark += image.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 10);
    EXPECT_EQ(image.pixelColor(39, 39), QColor(Qt::white));
}

TEST(CanvasUnboundTest, DrawsNothingAndKeepsThePenPosition) {
    TCanvas canvas;
    canvas.MoveTo(1, 2);
    canvas.LineTo(5, 6);
    canvas.Rectangle(0, 0, 10, 10);
    EXPECT_FALSE(canvas.Active());
    EXPECT_EQ(canvas.PenPos(), QPoint(5, 6));
}
