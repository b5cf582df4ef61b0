#include "Platform/forms/ImageList.h"

#include "Platform/forms/Canvas.h"

namespace vrx::forms {

int TImageList::Add(const QPixmap& picture) {
    images_.push_back(
        picture.size() == QSize(width_, height_)
            ? picture
            : picture.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return Count() - 1;
}

QPixmap TImageList::GetBitmap(int index) const {
    if (index < 0 || index >= Count())
        return QPixmap();
    return images_[static_cast<size_t>(index)];
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const {
    canvas.Draw(x, y, GetBitmap(index));
}

} // namespace vrx::forms
