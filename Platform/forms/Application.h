#pragma once

#include "Platform/forms/Color.h"
#include "Platform/forms/Component.h"

#include <QPoint>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QObject;

namespace vrx::forms {

class TForm;

/// A message box as the program asks for it.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    std::uint32_t flags = 0;
};

/// Plays the user of a modal form: it may click, type or close; its result is the modal result
/// when the form did not get one from what the hook did.
using ModalHook = std::function<int(TForm& form)>;
/// Answers a message box instead of the user (IDOK, IDYES, ...).
using MessageBoxHook = std::function<int(const MessageBoxRequest& request)>;

/// The application object: its title, the hint style, the message loop, the standard error
/// box, message boxes and modal windows. Tests answer modal windows and message boxes through
/// its hooks, so that none of them waits for a user.
class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    /// Hints: background colour and how long one stays up (ms).
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor color);
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms) { hintHidePause_ = ms; }

    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool show) { showMainForm_ = show; }

    /// Runs the message loop until Terminate; then frees the forms the application owns. A
    /// terminate requested before Run makes it return at once.
    void Run();
    /// Runs a loop (the message loop or a modal one) until Terminate or until it is quit.
    void RunLoop(QEventLoop& loop);
    /// Handles the pending events and returns.
    void ProcessMessages();
    /// Ends the message loop (and any modal loop) as soon as control returns to it.
    void Terminate();
    bool Terminated() const { return terminated_; }
    /// Forgets an earlier Terminate, so that the loop can run again.
    void ClearTerminated() { terminated_ = false; }

    /// Minimising puts every shown window away; the application's own window (its taskbar
    /// entry) can be hidden apart from that.
    void Minimize();
    void Restore();
    bool Minimized() const { return minimized_; }
    void ShowWindow() { windowVisible_ = true; }
    void HideWindow() { windowVisible_ = false; }
    bool WindowVisible() const { return windowVisible_; }
    /// Restores the application and brings its active window to the front.
    void BringToFront();

    /// The standard error box for an exception that reached the message loop; the program goes
    /// on after it.
    void ShowException(const std::exception& error);
    void HandleException(std::exception_ptr error);

    /// A plain message box; returns the button pressed (IDOK, IDYES, ...).
    int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags);

    /// The hooks return the previous hook so that a guard can put it back.
    ModalHook SetModalHook(ModalHook hook);
    const ModalHook& GetModalHook() const { return modalHook_; }
    MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

    /// The forms that exist, in creation order.
    const std::vector<TForm*>& Forms() const { return forms_; }

    /// Where the mouse was at the last press or move seen by any window (screen coordinates).
    QPoint LastMousePos() const { return lastMousePos_; }
    /// Starts following the mouse; the controls call it as they are created.
    void InstallInputTracking();

private:
    friend class TForm;
    class InputTracker;

    std::string title_;
    TColor hintColor_ = 0xE1FFFF;
    int hintHidePause_ = 2500;
    TForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    bool minimized_ = false;
    bool windowVisible_ = true;
    ModalHook modalHook_;
    MessageBoxHook messageBoxHook_;
    std::vector<TForm*> forms_;
    /// The message loop and the modal loops running now, innermost last: Terminate ends them
    /// all. Our own loops, not the Qt application's, so that a terminate outside them leaves
    /// no state behind that would end later loops at once.
    std::vector<QEventLoop*> loops_;
    QPoint lastMousePos_;
    std::unique_ptr<InputTracker> tracker_;
};

/// The one application object.
extern TApplication* const Application;

/// The standard information box: the text with the application's title and an OK button.
void ShowMessage(const std::string& text);

} // namespace vrx::forms
