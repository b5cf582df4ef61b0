#include "Application/ui/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

/// A shield outline inside the rectangle.
QPainterPath shieldPath(const QRectF& r) {
    QPainterPath path;
    const qreal w = r.width(), h = r.height();
    path.moveTo(r.left() + w / 2, r.top());
    path.lineTo(r.right(), r.top() + h * 0.18);
    path.cubicTo(r.right(), r.top() + h * 0.62, r.left() + w * 0.75, r.top() + h * 0.86,
                 r.left() + w / 2, r.bottom());
    path.cubicTo(r.left() + w * 0.25, r.top() + h * 0.86, r.left(), r.top() + h * 0.62, r.left(),
                 r.top() + h * 0.18);
    path.closeSubpath();
    return path;
}

void drawShield(QPainter& p, const QRectF& r, const QColor& face, const QColor& mark) {
    p.setPen(QPen(QColor(0x00, 0x3A, 0x03), r.width() / 14.0));
    p.setBrush(face);
    p.drawPath(shieldPath(r));
    QPen tick(mark, r.width() / 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    QPainterPath check;
    check.moveTo(r.left() + r.width() * 0.28, r.top() + r.height() * 0.50);
    check.lineTo(r.left() + r.width() * 0.45, r.top() + r.height() * 0.66);
    check.lineTo(r.left() + r.width() * 0.74, r.top() + r.height() * 0.32);
    p.drawPath(check);
}

} // namespace

QPixmap NoticeIconPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = size / 10.0;
    drawShield(p, QRectF(inset, inset / 2, size - 2 * inset, size - inset), Qt::white,
               QColor(0x00, 0x9C, 0x07));
    return picture;
}

QPixmap AboutLogoPicture(int width, int height) {
    QPixmap picture(width, height);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, height);
    face.setColorAt(0.0, QColor(0x2E, 0xA0, 0x3A));
    face.setColorAt(0.55, QColor(0x00, 0x6D, 0x05));
    face.setColorAt(1.0, QColor(0x00, 0x3A, 0x03));
    p.fillRect(picture.rect(), face);
    // A light band along the bottom for the version and close labels.
    p.fillRect(QRect(0, height - 44, width, 44), QColor(0x00, 0x4A, 0x04));
    p.setPen(QColor(0x58, 0xFF, 0x5F));
    p.drawLine(0, height - 44, width, height - 44);

    drawShield(p, QRectF(18, 22, 58, 70), QColor(0xC3, 0xEF, 0xD3), QColor(0x00, 0x6D, 0x05));

    p.setPen(Qt::white);
    QFont title(QStringLiteral("WenQuanYi Micro Hei"));
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(88, 26, width - 92, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("VORNEX"));
    QFont sub(QStringLiteral("WenQuanYi Micro Hei"));
    sub.setPixelSize(17);
    p.setFont(sub);
    p.drawText(QRect(88, 60, width - 92, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("防火墙个人版"));
    QFont small(QStringLiteral("WenQuanYi Micro Hei"));
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor(0xD3, 0xEF, 0xC3));
    p.drawText(QRect(88, 88, width - 92, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Personal Firewall"));
    return picture;
}
