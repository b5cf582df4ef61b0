#include "Platform/forms/Control.h"

#include "Platform/forms/Application.h"
#include "Platform/forms/ExceptionGuard.h"

#include <QApplication>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace vrx::forms {

/// Hands the events of the control's widgets to the control.
class TControl::Bridge : public QObject {
public:
    explicit Bridge(TControl& control) : control_(control) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        return control_.handleEvent(static_cast<QWidget*>(watched), event);
    }

private:
    TControl& control_;
};

namespace {

TMouseButton buttonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

TShiftState shiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

Qt::CursorShape cursorShape(int cursor) {
    switch (cursor) {
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

TControl::TControl(TComponent* owner, QWidget* widget)
    : TComponent(owner), widget_(widget), bridge_(std::make_unique<Bridge>(*this)) {
    Application->InstallInputTracking();
    widget->installEventFilter(bridge_.get());
}

TControl::~TControl() {
    // Owned components go first, while the widgets they live in still exist.
    DestroyComponents();
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        parent_ = nullptr;
    }
    if (widget_) {
        widget_->removeEventFilter(bridge_.get());
        delete widget_.data();
    }
}

void TControl::detachWidget() {
    if (widget_)
        widget_->removeEventFilter(bridge_.get());
}

void TControl::observe(QWidget* widget) {
    widget->installEventFilter(bridge_.get());
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = parent;
    if (!widget_)
        return;
    const QRect geometry = widget_->geometry();
    if (parent_) {
        parent_->controls_.push_back(this);
        widget_->setParent(parent_->ClientWidget(), Qt::Widget);
        widget_->setGeometry(geometry);
        widget_->setVisible(visible_);
        if (align_ != TAlign::alNone)
            parent_->AlignControls();
    } else if (widget_->parentWidget()) {
        widget_->setParent(nullptr);
        widget_->setGeometry(geometry);
    }
}

int TControl::Left() const {
    return widget_ ? widget_->pos().x() : 0;
}
int TControl::Top() const {
    return widget_ ? widget_->pos().y() : 0;
}
int TControl::Width() const {
    return widget_ ? widget_->width() : 0;
}
int TControl::Height() const {
    return widget_ ? widget_->height() : 0;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!widget_)
        return;
    widget_->move(left, top);
    widget_->resize(width, height);
    if (parent_ && align_ != TAlign::alNone)
        parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
    visible_ = visible;
    if (!widget_)
        return;
    // A child appears once its parent does; a top-level window appears at once.
    if (parent_ || !visible)
        widget_->setVisible(visible);
    else
        widget_->show();
    if (parent_ && align_ != TAlign::alNone)
        parent_->AlignControls();
}

bool TControl::Enabled() const {
    return widget_ && widget_->isEnabledTo(nullptr);
}

void TControl::SetEnabled(bool enabled) {
    if (widget_)
        widget_->setEnabled(enabled);
}

void TControl::SetColor(TColor color) {
    color_ = color;
    if (widget_)
        applyColor(toQColor(color));
}

void TControl::applyColor(const QColor& color) {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Window, color);
    widget_->setPalette(palette);
    widget_->setAutoFillBackground(true);
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    if (widget_)
        applyFont();
}

void TControl::applyFont() {
    widget_->setFont(font_.toQFont(widget_->font()));
    QPalette palette = widget_->palette();
    const QColor color = toQColor(font_.Color);
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget_->setPalette(palette);
}

bool TControl::ShowHint() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (c->showHint_)
            return *c->showHint_;
    return false;
}

void TControl::SetCursor(int cursor) {
    cursor_ = cursor;
    if (widget_)
        widget_->setCursor(cursorShape(cursor));
}

void TControl::SetAlign(TAlign align) {
    align_ = align;
    if (parent_)
        parent_->AlignControls();
}

void TControl::SetCaption(const std::string& caption) {
    caption_ = caption;
    captionChanged();
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::Invalidate() {
    if (widget_)
        widget_->update();
}

void TControl::Repaint() {
    if (widget_)
        widget_->repaint();
}

void TControl::BringToFront() {
    if (widget_)
        widget_->raise();
}

void TControl::SendToBack() {
    if (widget_)
        widget_->lower();
}

QPoint TControl::ClientToScreen(QPoint p) const {
    return widget_ ? widget_->mapToGlobal(p) : p;
}
QPoint TControl::ScreenToClient(QPoint p) const {
    return widget_ ? widget_->mapFromGlobal(p) : p;
}

bool TControl::handleEvent(QWidget* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return mouseEvent(watched, event);
    case QEvent::Resize:
        if (watched == widget_) {
            if (auto* self = dynamic_cast<TWinControl*>(this))
                self->AlignControls();
            if (OnResize)
                guarded([&] { OnResize(this); });
        }
        return false;
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        if (ShowHint() && !hint_.empty())
            QToolTip::showText(help->globalPos(), QString::fromStdString(hint_), widget_, {},
                               Application->HintHidePause());
        else
            QToolTip::hideText();
        return true;
    }
    default:
        return false;
    }
}

bool TControl::mouseEvent(QWidget* watched, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    // Positions are the control's own, also for events of an inner widget (a viewport).
    const QPoint pos = watched == widget_
                           ? mouse->position().toPoint()
                           : watched->mapTo(widget_.data(), mouse->position().toPoint());
    const TShiftState shift = shiftOf(mouse->modifiers(), mouse->buttons());
    const TMouseButton button = buttonOf(mouse->button());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        pressedInside_ = mouse->button() == Qt::LeftButton;
        if (OnMouseDown)
            guarded([&] { OnMouseDown(this, button, shift, pos.x(), pos.y()); });
        break;
    case QEvent::MouseButtonDblClick:
        if (OnMouseDown)
            guarded([&] { OnMouseDown(this, button, shift | ssDouble, pos.x(), pos.y()); });
        if (OnDblClick)
            guarded([&] { OnDblClick(this); });
        break;
    case QEvent::MouseButtonRelease: {
        const bool click = pressedInside_ && mouse->button() == Qt::LeftButton && widget_ &&
                           widget_->rect().contains(pos);
        pressedInside_ = false;
        if (OnMouseUp)
            guarded([&] { OnMouseUp(this, button, shift, pos.x(), pos.y()); });
        if (click && mouseRouting_ == MouseRouting::Consume)
            guarded([&] { Click(); });
        break;
    }
    case QEvent::MouseMove:
        if (OnMouseMove)
            guarded([&] { OnMouseMove(this, shift, pos.x(), pos.y()); });
        break;
    default:
        break;
    }
    return mouseRouting_ == MouseRouting::Consume;
}

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}

TWinControl::~TWinControl() {
    // Children that other owners keep (a borrowed memo) leave before this widget goes.
    DestroyComponents();
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
}

void TWinControl::SetFocus() {
    if (Widget())
        Widget()->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
    return Widget() && Widget()->hasFocus();
}

void TWinControl::AlignControls() {
    QWidget* client = ClientWidget();
    if (!client)
        return;
    QRect rest = client->contentsRect();
    auto place = [&](TAlign which) {
        for (TControl* c : controls_) {
            if (c->align_ != which || !c->visible_ || !c->widget_)
                continue;
            QWidget* w = c->widget_;
            switch (which) {
            case TAlign::alTop:
                w->setGeometry(rest.left(), rest.top(), rest.width(), w->height());
                rest.setTop(rest.top() + w->height());
                break;
            case TAlign::alBottom:
                w->setGeometry(rest.left(), rest.bottom() + 1 - w->height(), rest.width(),
                               w->height());
                rest.setBottom(rest.bottom() - w->height());
                break;
            case TAlign::alLeft:
                w->setGeometry(rest.left(), rest.top(), w->width(), rest.height());
                rest.setLeft(rest.left() + w->width());
                break;
            case TAlign::alRight:
                w->setGeometry(rest.right() + 1 - w->width(), rest.top(), w->width(),
                               rest.height());
                rest.setRight(rest.right() - w->width());
                break;
            case TAlign::alClient:
                w->setGeometry(rest);
                break;
            case TAlign::alNone:
                break;
            }
        }
    };
    for (TAlign a :
         {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
        place(a);
}

std::intptr_t TWinControl::Perform(std::uint32_t, std::uint32_t, std::intptr_t) {
    return 0;
}

bool TWinControl::handleEvent(QWidget* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
        if (OnKeyPress && !resending_)
            return keyEvent(watched, event);
        return false;
    case QEvent::FocusIn:
        if (watched == Widget() && OnEnter)
            guarded([&] { OnEnter(this); });
        return false;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving the control for another one; a window that loses activation keeps it.
        if (watched == Widget() && OnExit && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason)
            guarded([&] { OnExit(this); });
        return false;
    }
    default:
        return TControl::handleEvent(watched, event);
    }
}

bool TWinControl::keyEvent(QWidget* watched, QEvent* event) {
    // Each typed character passes the key-press handler, which may change or swallow it;
    // the characters that are left reach the widget.
    QString typed;
    if (event->type() == QEvent::KeyPress)
        typed = static_cast<QKeyEvent*>(event)->text();
    else
        typed = static_cast<QInputMethodEvent*>(event)->commitString();
    if (typed.isEmpty())
        return false;
    QString kept;
    for (QChar ch : typed) {
        TKeyChar key = ch.unicode();
        guarded([&] { OnKeyPress(this, key); });
        if (key != 0)
            kept.append(QChar(key));
    }
    if (kept == typed)
        return false;
    if (kept.isEmpty())
        return true;
    resending_ = true;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        for (QChar ch : kept) {
            QKeyEvent replacement(QEvent::KeyPress, key->key(), key->modifiers(), QString(ch));
            QApplication::sendEvent(watched, &replacement);
        }
    } else {
        QInputMethodEvent replacement;
        replacement.setCommitString(kept);
        QApplication::sendEvent(watched, &replacement);
    }
    resending_ = false;
    return true;
}

void ReleaseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

} // namespace vrx::forms
