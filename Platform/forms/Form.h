#pragma once

#include "Platform/forms/Canvas.h"
#include "Platform/forms/Control.h"

#include <QRegion>

class QEventLoop;

namespace vrx::forms {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter };

/// A window. Its creation runs OnCreate once the derived form has built its components (create
/// forms with Create<T>); Free runs OnDestroy before any part of it is gone. Showing fires
/// OnShow, closing asks OnCloseQuery and then OnClose for the close action (hide by default,
/// free, minimise, or nothing). A form can also be placed as a child inside another control
/// and be given back to the desktop.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    void AfterConstruction() override;
    void BeforeDestruction() override;

    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }

    void SetParent(TWinControl* parent) override;
    void SetVisible(bool visible) override;

    /// Closes the form as the user's close button does.
    void Close();
    /// Shows the form modally and returns its modal result (mrCancel when it was closed any
    /// other way than by setting a result, Escape included). A test's modal hook plays the user.
    int ShowModal();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result);
    /// Frees the form once the events being handled now are done.
    void Release();

    /// The form's canvas; it draws while the form paints (OnPaint).
    TCanvas& Canvas() { return canvas_; }

    /// The window's shape; the window keeps the region. An empty region is no shape.
    void SetWindowRegion(const QRegion& region);
    const QRegion& WindowRegion() const { return region_; }

    /// Handles WM_SYSCOMMAND with SC_MOVE/SC_DRAGMOVE: the window follows the mouse until the
    /// button is released (through the window manager where there is one).
    std::intptr_t Perform(std::uint32_t message, std::uint32_t wParam,
                          std::intptr_t lParam) override;
    /// Whether the window is being moved by the mouse (without a window manager).
    bool Moving() const { return moving_; }

    /// The form as a picture, shaped by its region (outside it transparent).
    QImage Snapshot();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnPaint;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;

protected:
    bool handleEvent(QWidget* watched, QEvent* event) override;
    void applyColor(const QColor& color) override;
    void applyFont() override;

private:
    class Surface;
    friend class Surface;

    void paint(QPainter& painter);
    void applyWindowFlags();
    void placeOnScreen();
    /// Asks OnCloseQuery and OnClose; the close action, or caNone when the close is refused.
    TCloseAction closeAction();
    bool closeModal();

    TCanvas canvas_;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TPosition position_ = TPosition::poDesigned;
    bool placed_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
    QEventLoop* modalLoop_ = nullptr;
    QRegion region_;
    bool moving_ = false;
    QPoint moveStartCursor_;
    QPoint moveStartPos_;
    bool releasing_ = false;
};

/// The form that shows the control (itself for a form that is not inside another), or null.
TForm* GetParentForm(TControl* control);

} // namespace vrx::forms
