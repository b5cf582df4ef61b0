#include "Platform/forms/TrayIcon.h"

#include "Platform/forms/ExceptionGuard.h"
#include "Platform/forms/ImageList.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace vrx::forms {

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner) {
    timer_.SetEnabled(false);
    timer_.SetInterval(500);
    timer_.OnTimer = [this] { AnimationStep(); };
}

TTrayIcon::~TTrayIcon() = default;

void TTrayIcon::SetVisible(bool visible) {
    visible_ = visible;
    if (visible && !tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             switch (reason) {
                             case QSystemTrayIcon::Trigger:
                                 MouseUp(TMouseButton::mbLeft);
                                 break;
                             case QSystemTrayIcon::Context:
                                 MouseUp(TMouseButton::mbRight);
                                 break;
                             case QSystemTrayIcon::MiddleClick:
                                 MouseUp(TMouseButton::mbMiddle);
                                 break;
                             case QSystemTrayIcon::DoubleClick:
                                 DoubleClick();
                                 break;
                             default:
                                 break;
                             }
                         });
        tray_->setToolTip(QString::fromStdString(hint_));
        show(shown_);
    }
    if (tray_)
        tray_->setVisible(visible);
}

void TTrayIcon::SetHint(const std::string& hint) {
    hint_ = hint;
    if (tray_)
        tray_->setToolTip(QString::fromStdString(hint));
}

void TTrayIcon::SetIcons(TImageList* icons) {
    icons_ = icons;
    show(shown_);
}

void TTrayIcon::SetIconIndex(int index) {
    iconIndex_ = index;
    if (animating_)
        remembered_ = index; // shown once the blinking ends
    else
        show(index);
}

void TTrayIcon::show(int image) {
    shown_ = image;
    if (tray_ && icons_)
        tray_->setIcon(icons_->GetIcon(image));
}

void TTrayIcon::StartAnimation() {
    if (!animating_)
        remembered_ = iconIndex_;
    animating_ = true;
    frame_ = 0;
    cycles_ = 0;
    show(0);
    timer_.SetEnabled(false); // a restart begins a full interval from now
    timer_.SetEnabled(true);
}

void TTrayIcon::StopAnimation() {
    if (!animating_)
        return;
    animating_ = false;
    timer_.SetEnabled(false);
    show(remembered_);
}

void TTrayIcon::AnimationStep() {
    if (!animating_)
        return;
    if (++frame_ > endImage_) {
        frame_ = 0;
        if (++cycles_ >= cycleCount_) {
            StopAnimation();
            return;
        }
    }
    show(frame_);
}

void TTrayIcon::MouseUp(TMouseButton button) {
    if (!OnMouseUp)
        return;
    const QPoint at = QCursor::pos();
    guarded([&] { OnMouseUp(this, button, 0, at.x(), at.y()); });
}

void TTrayIcon::DoubleClick() {
    if (OnDblClick)
        guarded([this] { OnDblClick(this); });
}

bool TTrayIcon::ShownOnDesktop() const {
    return tray_ && tray_->isVisible();
}

} // namespace vrx::forms
