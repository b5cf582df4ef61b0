#include "Platform/forms/Application.h"

#include "Platform/forms/ExceptionGuard.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/Messages.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

namespace vrx::forms {

/// Notes where the mouse was pressed or moved last, for windows that follow the mouse.
class TApplication::InputTracker : public QObject {
public:
    explicit InputTracker(TApplication& app) : app_(app) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove)
            app_.lastMousePos_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        return false;
    }

private:
    TApplication& app_;
};

namespace {

TApplication& instance() {
    static TApplication app;
    return app;
}

} // namespace

TApplication* const Application = &instance();

TApplication::TApplication() {
    exceptionSink() = [this](std::exception_ptr error) { HandleException(error); };
}

TApplication::~TApplication() {
    exceptionSink() = nullptr;
    // Past the end of the Qt application no window can be destroyed any more: the forms that
    // are still owned here are left to the process's end.
    if (!QCoreApplication::instance())
        while (ComponentCount() > 0)
            Components(ComponentCount() - 1)->ChangeOwner(nullptr);
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    QGuiApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void TApplication::SetHintColor(TColor color) {
    hintColor_ = color;
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::ToolTipBase, toQColor(color));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(palette);
}

void TApplication::Run() {
    if (mainForm_ && showMainForm_)
        mainForm_->Show();
    // Closing the last visible window (the console) must not end the program: it lives on
    // in the tray until Terminate.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QEventLoop loop;
    RunLoop(loop);
    DestroyComponents();
}

void TApplication::RunLoop(QEventLoop& loop) {
    if (terminated_)
        return;
    loops_.push_back(&loop);
    loop.exec();
    loops_.erase(std::find(loops_.begin(), loops_.end(), &loop));
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate() {
    terminated_ = true;
    for (QEventLoop* loop : loops_)
        loop->quit();
}

void TApplication::Minimize() {
    minimized_ = true;
    for (TForm* form : forms_)
        if (form->Widget() && form->Widget()->isWindow() && form->Widget()->isVisible())
            form->Widget()->showMinimized();
}

void TApplication::Restore() {
    minimized_ = false;
    for (TForm* form : forms_)
        if (form->Widget() && form->Widget()->isWindow() && form->Widget()->isMinimized())
            form->Widget()->showNormal();
}

void TApplication::BringToFront() {
    if (minimized_)
        Restore();
    windowVisible_ = true;
    QWidget* target = QApplication::activeWindow();
    if (!target)
        for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
            if ((*it)->Widget() && (*it)->Widget()->isWindow() && (*it)->Widget()->isVisible()) {
                target = (*it)->Widget();
                break;
            }
    if (target) {
        target->raise();
        target->activateWindow();
    }
}

void TApplication::ShowException(const std::exception& error) {
    MessageBox(error.what(), title_, MB_OK | MB_ICONERROR);
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        MessageBox("Unknown error", title_, MB_OK | MB_ICONERROR);
    }
}

int TApplication::MessageBox(const std::string& text, const std::string& caption,
                             std::uint32_t flags) {
    if (messageBoxHook_)
        return messageBoxHook_(MessageBoxRequest{text, caption, flags});
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

ModalHook TApplication::SetModalHook(ModalHook hook) {
    std::swap(hook, modalHook_);
    return hook;
}

MessageBoxHook TApplication::SetMessageBoxHook(MessageBoxHook hook) {
    std::swap(hook, messageBoxHook_);
    return hook;
}

void TApplication::InstallInputTracking() {
    if (tracker_ || !QCoreApplication::instance())
        return;
    tracker_ = std::make_unique<InputTracker>(*this);
    QCoreApplication::instance()->installEventFilter(tracker_.get());
}

void ShowMessage(const std::string& text) {
    (void)Application->MessageBox(text, Application->Title(), MB_OK);
}

} // namespace vrx::forms
