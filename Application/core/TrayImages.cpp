#include "Application/core/TrayImages.h"

#include "Platform/forms/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap shield(int size, const QColor& fill) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath outline;
    outline.moveTo(s * 0.5, s * 0.06);
    outline.lineTo(s * 0.88, s * 0.2);
    outline.cubicTo(s * 0.88, s * 0.62, s * 0.7, s * 0.82, s * 0.5, s * 0.95);
    outline.cubicTo(s * 0.3, s * 0.82, s * 0.12, s * 0.62, s * 0.12, s * 0.2);
    outline.closeSubpath();
    painter.setPen(QPen(fill.darker(160), s / 16));
    painter.setBrush(fill);
    painter.drawPath(outline);
    painter.setPen(QPen(Qt::white, s / 10, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.5, s * 0.25), QPointF(s * 0.5, s * 0.75));
    painter.drawLine(QPointF(s * 0.3, s * 0.45), QPointF(s * 0.7, s * 0.45));
    return picture;
}

QPixmap program(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const int s = size;
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
    painter.drawRect(s / 8, s / 8, s * 3 / 4, s * 3 / 4);
    painter.setBrush(QColor(0x20, 0x40, 0xA0));
    painter.drawRect(s / 8, s / 8, s * 3 / 4, s / 5);
    return picture;
}

void fill(vrx::forms::TImageList& list, int size) {
    list.Clear();
    list.Add(shield(size, QColor(0x2E, 0x9E, 0x3E)));
    list.Add(shield(size, QColor(0xD0, 0x30, 0x20)));
    list.Add(shield(size, QColor(0x90, 0x90, 0x90)));
    list.Add(program(size));
}

} // namespace

void FillTrayImages(vrx::forms::TImageList& small, vrx::forms::TImageList& large) {
    fill(small, small.Height());
    fill(large, large.Height());
}
