#include "Platform/forms/Form.h"

#include "Platform/forms/Application.h"
#include "Platform/forms/ExceptionGuard.h"
#include "Platform/forms/Messages.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <stdexcept>

namespace vrx::forms {

/// The form's window: it paints the form and turns the desktop's close request into Close.
class TForm::Surface : public QWidget {
public:
    explicit Surface(TForm* form) : form_(form) { setMouseTracking(true); }
    TForm* form_;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!form_)
            return;
        QPainter painter(this);
        form_->paint(painter);
    }
    void keyPressEvent(QKeyEvent* event) override {
        // Escape that no control took (nor a key-press handler swallowed) closes a modal form
        // as its close button does: with the cancel result.
        if (form_ && form_->Modal() && event->key() == Qt::Key_Escape &&
            event->modifiers() == Qt::NoModifier) {
            event->accept();
            guarded([this] { form_->Close(); });
            return;
        }
        QWidget::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        // The desktop asks; the form decides through its own close path.
        event->ignore();
        if (form_)
            guarded([this] { form_->Close(); });
    }
};

namespace {

/// Puts the modal state back however ShowModal ends.
template <typename F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <typename F>
ScopeExit(F) -> ScopeExit<F>;

} // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner, new Surface(this)) {
    Application->forms_.push_back(this);
    setMouseRouting(MouseRouting::Consume);
    Widget()->resize(320, 240);
    SetColor(clBtnFace);
    applyWindowFlags();
    SetVisible(false);
}

TForm::~TForm() {
    if (auto* surface = dynamic_cast<Surface*>(Widget()))
        surface->form_ = nullptr;
    auto& forms = Application->forms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (Application->mainForm_ == this)
        Application->mainForm_ = nullptr;
}

void TForm::AfterConstruction() {
    if (OnCreate)
        guarded([this] { OnCreate(this); });
}

void TForm::BeforeDestruction() {
    if (OnDestroy)
        guarded([this] { OnDestroy(this); });
}

std::string TForm::Caption() const {
    return Widget() ? Widget()->windowTitle().toStdString() : std::string();
}

void TForm::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (Widget())
        Widget()->setWindowTitle(QString::fromStdString(caption));
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    applyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style) {
    formStyle_ = style;
    applyWindowFlags();
}

void TForm::applyWindowFlags() {
    QWidget* w = Widget();
    if (!w || Parent())
        return;
    Qt::WindowFlags flags = Qt::Window;
    if (borderStyle_ == TFormBorderStyle::bsNone)
        flags |= Qt::FramelessWindowHint;
    else if (borderStyle_ == TFormBorderStyle::bsDialog)
        flags = Qt::Dialog;
    else if (borderStyle_ == TFormBorderStyle::bsToolWindow)
        flags = Qt::Tool;
    if (formStyle_ == TFormStyle::fsStayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() == flags)
        return;
    const bool shown = w->isVisible();
    const QPoint pos = w->pos();
    w->setWindowFlags(flags);
    w->move(pos);
    if (shown)
        w->show();
}

void TForm::SetParent(TWinControl* parent) {
    TWinControl::SetParent(parent);
    if (!parent)
        applyWindowFlags();
}

void TForm::placeOnScreen() {
    placed_ = true;
    if (position_ == TPosition::poDesigned)
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    Widget()->move(area.left() + (area.width() - Width()) / 2,
                   area.top() + (area.height() - Height()) / 2);
}

void TForm::SetVisible(bool visible) {
    if (visible && !Parent() && !placed_ && Widget())
        placeOnScreen();
    TWinControl::SetVisible(visible);
}

TCloseAction TForm::closeAction() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (!canClose)
        return TCloseAction::caNone;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose)
        OnClose(this, action);
    return action;
}

void TForm::Close() {
    if (modal_) {
        if (modalResult_ == mrNone)
            SetModalResult(mrCancel);
        return;
    }
    const TCloseAction action = closeAction();
    switch (action) {
    case TCloseAction::caNone:
        return;
    case TCloseAction::caHide:
        Hide();
        break;
    case TCloseAction::caMinimize:
        if (Widget())
            Widget()->showMinimized();
        break;
    case TCloseAction::caFree:
        Hide();
        Release();
        break;
    }
    // Closing the main form ends the program.
    if (Application->MainForm() == this)
        Application->Terminate();
}

bool TForm::closeModal() {
    const TCloseAction action = closeAction();
    if (action == TCloseAction::caNone) {
        modalResult_ = mrNone;
        return false;
    }
    if (action == TCloseAction::caFree)
        Release();
    return true;
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (modalLoop_ && result != mrNone)
        modalLoop_->quit();
}

int TForm::ShowModal() {
    if (modal_ || !Widget())
        throw std::logic_error("form is already shown modally");
    modal_ = true;
    modalResult_ = mrNone;
    ScopeExit restore{[this] {
        modal_ = false;
        modalLoop_ = nullptr;
        if (Widget()) {
            Hide();
            Widget()->setWindowModality(Qt::NonModal);
        }
    }};
    if (const ModalHook& hook = Application->GetModalHook()) {
        Show();
        // The hook is the user; a form that refuses to close is asked again, within reason.
        for (int round = 0;; ++round) {
            const int answer = hook(*this);
            if (modalResult_ == mrNone)
                modalResult_ = answer != mrNone ? answer : mrCancel;
            if (closeModal())
                break;
            if (round == 100)
                throw std::logic_error("modal form keeps refusing to close");
        }
    } else {
        Widget()->setWindowModality(Qt::ApplicationModal);
        Show();
        QEventLoop loop;
        modalLoop_ = &loop;
        for (;;) {
            if (modalResult_ == mrNone && !Application->Terminated())
                Application->RunLoop(loop);
            if (modalResult_ == mrNone && !Application->Terminated())
                continue; // the loop was quit from outside without a result
            if (Application->Terminated() && modalResult_ == mrNone)
                modalResult_ = mrCancel;
            if (closeModal() || Application->Terminated())
                break;
        }
    }
    return modalResult_;
}

void TForm::Release() {
    if (releasing_ || !Widget())
        return;
    releasing_ = true;
    // The widget is the timer's context: a form freed before the timer fires cancels it.
    QTimer::singleShot(0, Widget(), [this] { Free(); });
}

void TForm::SetWindowRegion(const QRegion& region) {
    region_ = region;
    if (Widget()) {
        if (region.isEmpty())
            Widget()->clearMask();
        else
            Widget()->setMask(region);
        Widget()->update();
    }
}

std::intptr_t TForm::Perform(std::uint32_t message, std::uint32_t wParam, std::intptr_t lParam) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MOVE && Widget()) {
        QWindow* window = Widget()->isWindow() ? Widget()->windowHandle() : nullptr;
        if (window && window->startSystemMove())
            return 0;
        // No window manager to do it: follow the mouse ourselves until the button goes up.
        moving_ = true;
        moveStartCursor_ = Application->LastMousePos();
        moveStartPos_ = Widget()->pos();
        Widget()->grabMouse();
        return 0;
    }
    return TWinControl::Perform(message, wParam, lParam);
}

bool TForm::handleEvent(QWidget* watched, QEvent* event) {
    if (moving_ && watched == Widget()) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint now = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            Widget()->move(moveStartPos_ + (now - moveStartCursor_));
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Hide) {
            moving_ = false;
            Widget()->releaseMouse();
            if (event->type() == QEvent::MouseButtonRelease)
                return true;
        }
    }
    if (watched == Widget() && !event->spontaneous()) {
        if (event->type() == QEvent::Show && OnShow)
            guarded([this] { OnShow(this); });
        else if (event->type() == QEvent::Hide && OnHide)
            guarded([this] { OnHide(this); });
    }
    return TWinControl::handleEvent(watched, event);
}

void TForm::applyColor(const QColor& color) {
    TWinControl::applyColor(color);
    canvas_.Brush.Color = Color();
}

void TForm::applyFont() {
    TWinControl::applyFont();
    canvas_.Font = Font();
}

void TForm::paint(QPainter& painter) {
    painter.fillRect(Widget()->rect(), toQColor(Color()));
    TCanvas::Binding binding(canvas_, painter);
    if (OnPaint)
        guarded([this] { OnPaint(this); });
}

QImage TForm::Snapshot() {
    QImage image(Widget()->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // render() ignores the window mask, so the region is applied as a clip here.
    const QRegion clip = region_.isEmpty() ? QRegion(Widget()->rect()) : region_;
    Widget()->render(&image, QPoint(), clip);
    return image;
}

TForm* GetParentForm(TControl* control) {
    // The nearest form among the parents; a form placed inside another answers for itself.
    for (TControl* c = control; c; c = c->Parent())
        if (auto* form = dynamic_cast<TForm*>(c))
            return form;
    return nullptr;
}

} // namespace vrx::forms
