#pragma once

#include "Platform/forms/Component.h"

#include <QIcon>
#include <QPixmap>

#include <vector>

namespace vrx::forms {

class TCanvas;

/// Pictures of one size, by index: the frames of the tray icon, the meter segments, the icons
/// of a combo box.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner, int width = 16, int height = 16)
        : TComponent(owner), width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }

    /// Adds a picture, scaled to the list's size; returns its index.
    int Add(const QPixmap& picture);
    void Clear() { images_.clear(); }
    /// The picture at the index, or a null picture when there is none.
    QPixmap GetBitmap(int index) const;
    QIcon GetIcon(int index) const { return QIcon(GetBitmap(index)); }
    /// Draws the picture at the index on the canvas (through its copy mode); nothing for an
    /// index the list does not hold.
    void Draw(TCanvas& canvas, int x, int y, int index) const;

private:
    int width_;
    int height_;
    std::vector<QPixmap> images_;
};

} // namespace vrx::forms
