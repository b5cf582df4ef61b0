#include "Application/ui/FormSkin.h"

#include "Platform/forms/Form.h"
#include "Platform/forms/Messages.h"

#include <QPainterPath>
#include <QPolygon>

using namespace vrx::forms;

QRegion RoundRectRegion(int width, int height, int cornerWidth, int cornerHeight) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, height), cornerWidth / 2.0, cornerHeight / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

TzhFomrSkin::TzhFomrSkin(TForm& form) : form_(form) {
    form_.SetBorderStyle(TFormBorderStyle::bsNone);
    savedPaint_ = form_.OnPaint;
    form_.OnPaint = [this](TObject* sender) { Paint(sender); };
    savedResize_ = form_.OnResize;
    form_.OnResize = [this](TObject* sender) { Resize(sender); };
    // A mouse-down handler the form had is replaced, not kept.
    form_.OnMouseDown = [this](TObject* sender, TMouseButton button, TShiftState shift, int x,
                               int y) { MouseDown(sender, button, shift, x, y); };
    region_ = RoundRectRegion(form_.Width(), form_.Height(), cornerSize_, cornerSize_);
    form_.SetWindowRegion(region_);
}

TzhFomrSkin::~TzhFomrSkin() {
    form_.OnPaint = savedPaint_;
    form_.OnResize = savedResize_;
    form_.OnMouseDown = nullptr;
}

void TzhFomrSkin::Paint(TObject*) {
    TCanvas& canvas = form_.Canvas();
    const int W = form_.Width(), H = form_.Height();
    const int C = titleHeight_, M = margin_, R = cornerSize_;
    const int d = canvas.Pen.Width / 2 + 1;

    canvas.Pen.Color = clBlack;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Brush.Color = titleColor_;
    canvas.RoundRect(M, M, W - M - d, C + R, R, R);

    canvas.Brush.Color = bodyColor_;
    canvas.RoundRect(M, C - d, W - M - d, H - d, R, R);

    // Squares the body's upper corners and hides the lower half of the title band.
    canvas.Rectangle(M, C - d, W - M - d, C + R);

    // Erases the rectangle's lower edge so that it merges into the body.
    canvas.Pen.Color = bodyColor_;
    canvas.MoveTo(M + d, C + R - d);
    canvas.LineTo(W - M - d - 1, C + R - d);

    // The form's own drawing lands on top.
    if (savedPaint_)
        savedPaint_(&form_);
}

void TzhFomrSkin::Resize(TObject*) {
    // The region stays the one computed at construction.
    if (savedResize_)
        savedResize_(&form_);
}

void TzhFomrSkin::MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    ReleaseCapture();
    form_.Perform(WM_SYSCOMMAND, SC_DRAGMOVE, 0);
}
