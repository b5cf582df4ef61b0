#pragma once

#include "Platform/forms/Canvas.h"
#include "Platform/forms/Control.h"

#include <QPixmap>

namespace vrx::forms {

/// A picture on a form. A press on it belongs to the picture (its OnMouseDown and OnClick).
class TImage : public TControl {
public:
    explicit TImage(TComponent* owner);

    const QPixmap& Picture() const { return picture_; }
    void SetPicture(const QPixmap& picture);
    /// Stretched, the picture fills the control; otherwise it sits at its top-left corner
    /// (or in the middle when centred).
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool Center() const { return center_; }
    void SetCenter(bool center);

private:
    friend class ImageSurface;
    QPixmap picture_;
    bool stretch_ = false;
    bool center_ = false;
};

enum class TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

/// A drawn outline in the pen and filled with the brush.
class TShape : public TControl {
public:
    explicit TShape(TComponent* owner);

    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType shape);
    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }

private:
    friend class ShapeSurface;
    TShapeType shape_ = TShapeType::stRectangle;
    TPen pen_;
    TBrush brush_;
};

/// A control that the program paints itself through OnPaint on its canvas.
class TPaintBox : public TControl {
public:
    explicit TPaintBox(TComponent* owner);
    TCanvas& Canvas() { return canvas_; }
    TNotifyEvent OnPaint;

private:
    friend class PaintBoxSurface;
    TCanvas canvas_;
};

} // namespace vrx::forms
