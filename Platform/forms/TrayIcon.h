#pragma once

#include "Platform/forms/Component.h"
#include "Platform/forms/Events.h"
#include "Platform/forms/Timer.h"

#include <QIcon>

#include <memory>
#include <string>

class QSystemTrayIcon;

namespace vrx::forms {

class TImageList;
class TPopupMenu;

/// The program's icon in the notification area, kept as a model that tests drive: its icon
/// (an image of Icons), hint, visibility, mouse events and blinking. Where the desktop has a
/// tray the model is shown there; without one it still works, unseen.
///
/// Blinking: StartAnimation remembers the icon shown, then every AnimateInterval ms the icon
/// steps through images 0 .. AnimateEndImage of Icons and back to 0; each return to image 0
/// is one cycle, and after AnimateCycles cycles the remembered icon comes back. Starting again
/// while blinking restarts the count.
class TTrayIcon : public TComponent {
public:
    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);

    TImageList* Icons() const { return icons_; }
    void SetIcons(TImageList* icons);
    /// The image of Icons shown while not blinking.
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    /// The image of Icons shown now (a frame while blinking).
    int ShownImage() const { return shown_; }

    TPopupMenu* PopupMenu() const { return popupMenu_; }
    /// The menu that the program opens itself; it is not tied to any click.
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    std::uint32_t AnimateInterval() const { return timer_.Interval(); }
    void SetAnimateInterval(std::uint32_t ms) { timer_.SetInterval(ms); }
    int AnimateEndImage() const { return endImage_; }
    void SetAnimateEndImage(int index) { endImage_ = index; }
    int AnimateCycles() const { return cycleCount_; }
    void SetAnimateCycles(int cycles) { cycleCount_ = cycles; }

    void StartAnimation();
    void StopAnimation();
    bool Animating() const { return animating_; }
    /// One step of the blinking, as its timer runs it.
    void AnimationStep();

    /// What the desktop reports, as mouse events at the cursor; tests call it too.
    void MouseUp(TMouseButton button);
    void DoubleClick();

    /// Whether a desktop tray shows the icon now.
    bool ShownOnDesktop() const;

    TMouseEvent OnMouseUp;
    TNotifyEvent OnDblClick;

private:
    void show(int image);

    bool visible_ = false;
    std::string hint_;
    TImageList* icons_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    int iconIndex_ = 0;
    int shown_ = 0;
    int endImage_ = 1;
    int cycleCount_ = 6;
    bool animating_ = false;
    int frame_ = 0;
    int cycles_ = 0;
    int remembered_ = 0;
    TTimer timer_;
    std::unique_ptr<QSystemTrayIcon> tray_;
};

} // namespace vrx::forms
