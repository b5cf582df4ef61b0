#include "Platform/forms/Buttons.h"

#include <QMouseEvent>
#include <QPainter>

namespace vrx::forms {

class SpeedButtonSurface : public QWidget {
public:
    explicit SpeedButtonSurface(TSpeedButton* button) : button_(button) {}
    TSpeedButton* button_;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!button_)
            return;
        QPainter painter(this);
        const bool sunk = button_->down_ || button_->pressed_;
        const QPixmap& picture =
            sunk && !button_->downGlyph_.isNull() ? button_->downGlyph_ : button_->glyph_;
        if (!button_->flat_ || sunk) {
            painter.setPen(palette().color(sunk ? QPalette::Dark : QPalette::Light));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        const QPoint offset = sunk && button_->downGlyph_.isNull() ? QPoint(1, 1) : QPoint();
        if (!picture.isNull())
            painter.drawPixmap((width() - picture.width()) / 2 + offset.x(),
                               (height() - picture.height()) / 2 + offset.y(), picture);
        if (!button_->Caption().empty()) {
            painter.setPen(palette().color(QPalette::ButtonText));
            painter.drawText(rect().translated(offset), Qt::AlignCenter,
                             QString::fromStdString(button_->Caption()));
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (button_ && e->button() == Qt::LeftButton) {
            button_->pressed_ = true;
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (button_ && e->button() == Qt::LeftButton) {
            button_->pressed_ = false;
            update();
        }
    }
};

TSpeedButton::TSpeedButton(TComponent* owner) : TControl(owner, new SpeedButtonSurface(this)) {
    // A click on the button is the button's: it runs Click from the mouse-up inside it.
    setMouseRouting(MouseRouting::Consume);
    Widget()->resize(23, 22);
}

void TSpeedButton::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    Invalidate();
}

void TSpeedButton::SetDownGlyph(const QPixmap& glyph) {
    downGlyph_ = glyph;
    Invalidate();
}

void TSpeedButton::SetFlat(bool flat) {
    flat_ = flat;
    Invalidate();
}

void TSpeedButton::SetDown(bool down) {
    if (groupIndex_ == 0)
        down = false;
    if (down == down_)
        return;
    down_ = down;
    if (down_ && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)))
                if (other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                    other->down_ = false;
                    other->Invalidate();
                }
    Invalidate();
}

void TSpeedButton::Click() {
    if (groupIndex_ != 0) {
        if (!down_)
            SetDown(true);
        else if (allowAllUp_)
            SetDown(false);
    }
    TControl::Click();
}

} // namespace vrx::forms
