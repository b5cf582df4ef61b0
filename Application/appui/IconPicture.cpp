#include "Application/appui/IconPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>

QPixmap IconPicture(const vrx::os::IconImage& icon, int side) {
    QByteArray bytes(reinterpret_cast<const char*>(icon.data.data()),
                     static_cast<qsizetype>(icon.data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QByteArray::fromStdString(icon.format).toUpper());
    QImage best;
    // An icon file holds one image per size; other formats give a single image.
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        const int size = std::max(image.width(), image.height());
        const int bestSize = std::max(best.width(), best.height());
        const bool fits = size >= side;
        const bool bestFits = bestSize >= side;
        const bool better = fits != bestFits ? fits : (fits ? size < bestSize : size > bestSize);
        if (best.isNull() || better)
            best = image;
    }
    if (best.isNull())
        return {};
    if (best.width() > side || best.height() > side)
        best = best.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(best);
}
