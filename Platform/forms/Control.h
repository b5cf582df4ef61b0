#pragma once

#include "Platform/forms/Color.h"
#include "Platform/forms/Component.h"
#include "Platform/forms/Events.h"
#include "Platform/forms/Font.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QEvent;

namespace vrx::forms {

class TWinControl;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

/// Cursor shapes by the framework's numbers.
inline constexpr int crDefault = 0;
inline constexpr int crArrow = -2;
inline constexpr int crHandPoint = -21;

/// A visible component: one Qt widget underneath, placed inside its parent control. The owner
/// (who frees it) and the parent (where it appears) are independent.
class TControl : public TComponent {
public:
    /// Takes the widget over; it is deleted with the control.
    TControl(TComponent* owner, QWidget* widget);
    ~TControl() override;

    QWidget* Widget() const { return widget_.data(); }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    virtual void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    TRect ClientRect() const { return TRect{0, 0, Width(), Height()}; }

    /// Whether the control is meant to be shown (it appears when its parent does).
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    bool Enabled() const;
    void SetEnabled(bool enabled);

    TColor Color() const { return color_; }
    void SetColor(TColor color);

    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    /// Hints show when this control, or the nearest parent that decides, says so.
    bool ShowHint() const;
    void SetShowHint(bool show) { showHint_ = show; }

    int Cursor() const { return cursor_; }
    void SetCursor(int cursor);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    virtual std::string Caption() const { return caption_; }
    virtual void SetCaption(const std::string& caption);

    /// Runs OnClick, as a click of the user does.
    virtual void Click();

    void Invalidate();
    void Repaint();
    void BringToFront();
    void SendToBack();

    QPoint ClientToScreen(QPoint p) const;
    QPoint ScreenToClient(QPoint p) const;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;

protected:
    /// How mouse presses reach the control. Passive controls (labels, pictures, panels) take
    /// them for themselves, so a press on them never reaches the form below; interactive
    /// widgets see them after the control's handlers have run.
    enum class MouseRouting { Consume, Observe };
    void setMouseRouting(MouseRouting routing) { mouseRouting_ = routing; }

    /// Routes the events of another widget of this control (a scroll area's viewport) too.
    void observe(QWidget* widget);

    /// Every event of the observed widgets; true swallows it.
    virtual bool handleEvent(QWidget* watched, QEvent* event);
    virtual void applyColor(const QColor& color);
    virtual void applyFont();
    virtual void captionChanged() {}

    /// The child widgets are deleted with the widget; their controls must let go first.
    void detachWidget();

    std::string caption_;

private:
    class Bridge;
    friend class TWinControl;

    bool mouseEvent(QWidget* watched, QEvent* event);

    QPointer<QWidget> widget_;
    std::unique_ptr<Bridge> bridge_;
    TWinControl* parent_ = nullptr;
    bool visible_ = true;
    TColor color_ = clBtnFace;
    TFont font_;
    std::string hint_;
    std::optional<bool> showHint_;
    int cursor_ = crDefault;
    TAlign align_ = TAlign::alNone;
    MouseRouting mouseRouting_ = MouseRouting::Observe;
    bool pressedInside_ = false;
};

/// A control that can hold other controls and take the keyboard focus.
class TWinControl : public TControl {
public:
    TWinControl(TComponent* owner, QWidget* widget);
    ~TWinControl() override;

    /// The widget that children are placed in.
    virtual QWidget* ClientWidget() const { return Widget(); }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }

    void SetFocus();
    bool Focused() const;

    /// Places the aligned children (top, bottom, left, right, then the one filling the rest).
    void AlignControls();

    /// A window message to the control; the default handles none and answers 0.
    virtual std::intptr_t Perform(std::uint32_t message, std::uint32_t wParam,
                                  std::intptr_t lParam);

    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    bool handleEvent(QWidget* watched, QEvent* event) override;

private:
    friend class TControl;
    bool keyEvent(QWidget* watched, QEvent* event);

    std::vector<TControl*> controls_;
    bool resending_ = false;
};

/// Releases the mouse from whatever window holds it.
void ReleaseCapture();

} // namespace vrx::forms
