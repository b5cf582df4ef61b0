#include "Platform/forms/Canvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace vrx::forms {

namespace {

Qt::PenStyle qtPenStyle(TPenStyle style) {
    switch (style) {
    case TPenStyle::psDash:
        return Qt::DashLine;
    case TPenStyle::psDot:
        return Qt::DotLine;
    case TPenStyle::psClear:
        return Qt::NoPen;
    case TPenStyle::psSolid:
        break;
    }
    return Qt::SolidLine;
}

QPainter::CompositionMode compositionFor(std::uint32_t copyMode) {
    switch (copyMode) {
    case cmSrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case cmSrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case cmSrcInvert:
        return QPainter::RasterOp_SourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

} // namespace

TCanvas::Binding::Binding(TCanvas& canvas, QPainter& painter)
    : canvas_(canvas), previous_(canvas.painter_) {
    canvas_.painter_ = &painter;
    painter.setRenderHint(QPainter::Antialiasing, false);
}

TCanvas::Binding::~Binding() {
    canvas_.painter_ = previous_;
}

void TCanvas::applyPen() {
    QPen pen(toQColor(Pen.Color));
    pen.setWidth(Pen.Width < 1 ? 1 : Pen.Width);
    pen.setStyle(qtPenStyle(Pen.Style));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
}

void TCanvas::applyBrush() {
    if (Brush.Style == TBrushStyle::bsClear)
        painter_->setBrush(Qt::NoBrush);
    else
        painter_->setBrush(toQColor(Brush.Color));
}

void TCanvas::segment(QPoint from, QPoint to) {
    // Lines stop one pixel short of their end point, so consecutive segments of a polyline
    // do not paint their shared corner twice; the pen's flat cap leaves the end pixel out.
    if (from != to)
        painter_->drawLine(from, to);
}

void TCanvas::LineTo(int x, int y) {
    if (painter_) {
        applyPen();
        segment(penPos_, QPoint(x, y));
    }
    penPos_ = QPoint(x, y);
}

void TCanvas::Polyline(const std::vector<QPoint>& points) {
    if (!painter_ || points.size() < 2)
        return;
    applyPen();
    for (size_t i = 1; i < points.size(); ++i)
        segment(points[i - 1], points[i]);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (!painter_ || right <= left || bottom <= top)
        return;
    applyPen();
    applyBrush();
    painter_->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                        int cornerHeight) {
    if (!painter_ || right <= left || bottom <= top)
        return;
    applyPen();
    applyBrush();
    painter_->drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1),
                              cornerWidth / 2.0, cornerHeight / 2.0, Qt::AbsoluteSize);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (!painter_)
        return;
    applyPen();
    applyBrush();
    painter_->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::FillRect(const TRect& r) {
    if (!painter_ || Brush.Style == TBrushStyle::bsClear)
        return;
    painter_->fillRect(r.toQRect(), toQColor(Brush.Color));
}

void TCanvas::FrameRect(const TRect& r) {
    if (!painter_)
        return;
    painter_->setPen(toQColor(Brush.Color));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    if (!painter_)
        return;
    const QString s = QString::fromStdString(text);
    const QFont font = Font.toQFont(painter_->font());
    const QFontMetrics metrics(font);
    if (Brush.Style != TBrushStyle::bsClear)
        painter_->fillRect(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()),
                           toQColor(Brush.Color));
    painter_->setFont(font);
    painter_->setPen(toQColor(Font.Color));
    painter_->drawText(QPoint(x, y + metrics.ascent()), s);
    penPos_ = QPoint(x + metrics.horizontalAdvance(s), y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    if (!painter_)
        return;
    painter_->save();
    painter_->setClipRect(r.toQRect(), Qt::IntersectClip);
    FillRect(r);
    const TBrushStyle style = Brush.Style;
    Brush.Style = TBrushStyle::bsClear;
    TextOut(x, y, text);
    Brush.Style = style;
    painter_->restore();
}

int TCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(Font.toQFont()).horizontalAdvance(QString::fromStdString(text));
}

int TCanvas::TextHeight(const std::string&) const {
    return QFontMetrics(Font.toQFont()).height();
}

void TCanvas::Draw(int x, int y, const QPixmap& picture) {
    if (!painter_ || picture.isNull())
        return;
    const QPainter::CompositionMode previous = painter_->compositionMode();
    painter_->setCompositionMode(compositionFor(CopyMode));
    painter_->drawPixmap(x, y, picture);
    painter_->setCompositionMode(previous);
}

void TCanvas::StretchDraw(const TRect& r, const QPixmap& picture) {
    if (!painter_ || picture.isNull())
        return;
    const QPainter::CompositionMode previous = painter_->compositionMode();
    painter_->setCompositionMode(compositionFor(CopyMode));
    painter_->drawPixmap(r.toQRect(), picture);
    painter_->setCompositionMode(previous);
}

} // namespace vrx::forms
