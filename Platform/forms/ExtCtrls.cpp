#include "Platform/forms/ExtCtrls.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QPainter>

#include <algorithm>

namespace vrx::forms {

class ImageSurface : public QWidget {
public:
    explicit ImageSurface(TImage* image) : image_(image) {}
    TImage* image_;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!image_ || image_->picture_.isNull())
            return;
        QPainter painter(this);
        const QPixmap& p = image_->picture_;
        if (image_->stretch_)
            painter.drawPixmap(rect(), p);
        else if (image_->center_)
            painter.drawPixmap((width() - p.width()) / 2, (height() - p.height()) / 2, p);
        else
            painter.drawPixmap(0, 0, p);
    }
};

TImage::TImage(TComponent* owner) : TControl(owner, new ImageSurface(this)) {
    setMouseRouting(MouseRouting::Consume);
    Widget()->resize(105, 105);
}

void TImage::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    Invalidate();
}

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    Invalidate();
}

void TImage::SetCenter(bool center) {
    center_ = center;
    Invalidate();
}

class ShapeSurface : public QWidget {
public:
    explicit ShapeSurface(TShape* shape) : shape_(shape) {}
    TShape* shape_;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!shape_)
            return;
        QPainter painter(this);
        TCanvas canvas;
        canvas.Pen = shape_->pen_;
        canvas.Brush = shape_->brush_;
        TCanvas::Binding binding(canvas, painter);
        // The outline lies inside the control, half a pen width in from its edges.
        const int d = canvas.Pen.Width / 2;
        int w = width(), h = height();
        const TShapeType s = shape_->shape_;
        if (s == TShapeType::stSquare || s == TShapeType::stRoundSquare ||
            s == TShapeType::stCircle)
            w = h = std::min(w, h);
        const int l = (width() - w) / 2 + d, t = (height() - h) / 2 + d;
        const int r = l + w - 2 * d, b = t + h - 2 * d;
        const int corner = std::min(w, h) / 4;
        switch (s) {
        case TShapeType::stRectangle:
        case TShapeType::stSquare:
            canvas.Rectangle(l, t, r, b);
            break;
        case TShapeType::stRoundRect:
        case TShapeType::stRoundSquare:
            canvas.RoundRect(l, t, r, b, corner, corner);
            break;
        case TShapeType::stEllipse:
        case TShapeType::stCircle:
            canvas.Ellipse(l, t, r, b);
            break;
        }
    }
};

TShape::TShape(TComponent* owner) : TControl(owner, new ShapeSurface(this)) {
    Widget()->resize(65, 65);
}

void TShape::SetShape(TShapeType shape) {
    shape_ = shape;
    Invalidate();
}

class PaintBoxSurface : public QWidget {
public:
    explicit PaintBoxSurface(TPaintBox* box) : box_(box) {}
    TPaintBox* box_;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!box_ || !box_->OnPaint)
            return;
        QPainter painter(this);
        TCanvas::Binding binding(box_->canvas_, painter);
        guarded([this] { box_->OnPaint(box_); });
    }
};

TPaintBox::TPaintBox(TComponent* owner) : TControl(owner, new PaintBoxSurface(this)) {}

} // namespace vrx::forms
