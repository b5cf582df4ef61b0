#pragma once

#include "Platform/forms/Color.h"
#include "Platform/forms/Events.h"
#include "Platform/forms/Font.h"

#include <QPixmap>
#include <QPoint>

#include <cstdint>
#include <string>
#include <vector>

class QPainter;

namespace vrx::forms {

enum class TPenStyle { psSolid, psDash, psDot, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

/// Raster operations for drawing pictures, by the window system's codes.
inline constexpr std::uint32_t cmSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t cmSrcPaint = 0x00EE0086; // source OR destination
inline constexpr std::uint32_t cmSrcAnd = 0x008800C6;
inline constexpr std::uint32_t cmSrcInvert = 0x00660046;

/// A drawing surface with a pen, a brush and a font, drawing the way windows do: rectangles
/// cover their left and top edges but not their right and bottom ones, and a line stops one
/// pixel short of its end point. A canvas draws only while it is bound to a painter (a form's
/// canvas during its paint, an image's canvas always); unbound, its calls draw nothing.
class TCanvas {
public:
    TPen Pen;
    TBrush Brush;
    TFont Font;
    std::uint32_t CopyMode = cmSrcCopy;

    bool Active() const { return painter_ != nullptr; }
    QPainter* Painter() const { return painter_; }

    QPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y) { penPos_ = QPoint(x, y); }
    void LineTo(int x, int y);
    void Polyline(const std::vector<QPoint>& points);

    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    /// A rectangle with corners cut by an ellipse of cornerWidth x cornerHeight.
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void Ellipse(int left, int top, int right, int bottom);
    /// Fills with the brush, without an outline.
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);

    /// Writes the text with its top-left corner at (x, y), on the brush unless it is clear.
    void TextOut(int x, int y, const std::string& text);
    /// Fills the rectangle with the brush and writes the text at (x, y), clipped to it.
    void TextRect(const TRect& r, int x, int y, const std::string& text);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    /// Draws the picture at (x, y) through CopyMode.
    void Draw(int x, int y, const QPixmap& picture);
    void StretchDraw(const TRect& r, const QPixmap& picture);

    /// Binds the canvas to a painter for the span of one paint; the pen position is kept.
    class Binding {
    public:
        Binding(TCanvas& canvas, QPainter& painter);
        ~Binding();
        Binding(const Binding&) = delete;
        Binding& operator=(const Binding&) = delete;

    private:
        TCanvas& canvas_;
        QPainter* previous_;
    };

private:
    void applyPen();
    void applyBrush();
    void segment(QPoint from, QPoint to);

    QPainter* painter_ = nullptr;
    QPoint penPos_;
};

} // namespace vrx::forms
