#include "Platform/forms/StdCtrls.h"

#include "Platform/forms/ExceptionGuard.h"
#include "Platform/forms/Form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

#include <stdexcept>

namespace vrx::forms {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString cssColor(TColor color) {
    return toQColor(color).name();
}

} // namespace

// --- TLabel -----------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TControl(owner, new QLabel) {
    setMouseRouting(MouseRouting::Consume);
    label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label()->setTextFormat(Qt::PlainText);
    SetColor(clBtnFace);
}

QLabel* TLabel::label() const {
    return static_cast<QLabel*>(Widget());
}

void TLabel::SetWordWrap(bool wrap) {
    wordWrap_ = wrap;
    label()->setWordWrap(wrap);
    fit();
}

void TLabel::SetTransparent(bool transparent) {
    transparent_ = transparent;
    label()->setAutoFillBackground(!transparent);
}

void TLabel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Qt::Alignment a = Qt::AlignTop;
    a |= alignment == TAlignment::taCenter         ? Qt::AlignHCenter
         : alignment == TAlignment::taRightJustify ? Qt::AlignRight
                                                   : Qt::AlignLeft;
    label()->setAlignment(a);
}

void TLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    fit();
}

void TLabel::captionChanged() {
    // CR LF in a caption is one line break.
    label()->setText(qs(caption_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    fit();
}

void TLabel::applyColor(const QColor& color) {
    TControl::applyColor(color);
    label()->setAutoFillBackground(!transparent_);
}

void TLabel::applyFont() {
    TControl::applyFont();
    fit();
}

void TLabel::fit() {
    // A word-wrapped label keeps its width and breaks its text inside it.
    if (autoSize_ && !wordWrap_)
        label()->resize(label()->sizeHint());
}

// --- TCustomEdit ------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner, new QLineEdit) {
    QObject::connect(edit(), &QLineEdit::textChanged, [this] {
        if (OnChange)
            guarded([this] { OnChange(this); });
    });
    SetColor(clWindow);
}

QLineEdit* TCustomEdit::edit() const {
    return static_cast<QLineEdit*>(Widget());
}

std::string TCustomEdit::Text() const {
    return edit()->text().toStdString();
}
void TCustomEdit::SetText(const std::string& text) {
    edit()->setText(qs(text));
}
bool TCustomEdit::ReadOnly() const {
    return edit()->isReadOnly();
}
void TCustomEdit::SetReadOnly(bool readOnly) {
    edit()->setReadOnly(readOnly);
}
int TCustomEdit::MaxLength() const {
    return edit()->maxLength();
}
void TCustomEdit::SetMaxLength(int length) {
    edit()->setMaxLength(length > 0 ? length : 32767);
}
void TCustomEdit::SelectAll() {
    edit()->selectAll();
}

void TCustomEdit::applyColor(const QColor& color) {
    QPalette palette = edit()->palette();
    palette.setColor(QPalette::Base, color);
    edit()->setPalette(palette);
}

// --- TMemo ------------------------------------------------------------------------------------

/// The memo's lines are the blocks of its document, each ended by a line break, so the
/// document of n lines holds n blocks and an empty one after them.
class TMemoLines : public TStrings {
public:
    explicit TMemoLines(QPlainTextEdit* memo) : memo_(memo) {}

    int Count() const override {
        const QTextDocument* doc = memo_->document();
        // Text typed after the last line break is a line too.
        return doc->blockCount() - (doc->lastBlock().text().isEmpty() ? 1 : 0);
    }
    std::string Get(int index) const override {
        check(index);
        return memo_->document()->findBlockByNumber(index).text().toStdString();
    }
    void Add(const std::string& line) override {
        QTextCursor cursor(memo_->document());
        cursor.movePosition(QTextCursor::End);
        if (!memo_->document()->lastBlock().text().isEmpty())
            cursor.insertBlock();
        cursor.insertText(qs(line));
        cursor.insertBlock();
    }
    void Delete(int index) override {
        check(index);
        const QTextBlock block = memo_->document()->findBlockByNumber(index);
        QTextCursor cursor(block);
        if (block.next().isValid()) {
            cursor.setPosition(block.next().position(), QTextCursor::KeepAnchor);
        } else {
            cursor.setPosition(block.position() - 1);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        }
        cursor.removeSelectedText();
    }
    void Clear() override { memo_->clear(); }

private:
    void check(int index) const {
        if (index < 0 || index >= Count())
            throw std::out_of_range("line index out of range");
    }
    QPlainTextEdit* memo_;
};

TMemo::TMemo(TComponent* owner) : TWinControl(owner, new QPlainTextEdit) {
    lines_ = std::make_unique<TMemoLines>(memo());
    observe(memo()->viewport());
    QObject::connect(memo(), &QPlainTextEdit::textChanged, [this] {
        if (OnChange)
            guarded([this] { OnChange(this); });
    });
    SetColor(clWindow);
}

TMemo::~TMemo() = default;

QPlainTextEdit* TMemo::memo() const {
    return static_cast<QPlainTextEdit*>(Widget());
}
TStrings& TMemo::Lines() {
    return *lines_;
}
std::string TMemo::Text() const {
    // The text as it stands, line breaks as CR LF; Lines().Text() ends every line with one.
    return memo()
        ->toPlainText()
        .replace(QStringLiteral("\n"), QStringLiteral("\r\n"))
        .toStdString();
}
void TMemo::SetText(const std::string& text) {
    memo()->setPlainText(qs(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}
bool TMemo::ReadOnly() const {
    return memo()->isReadOnly();
}
void TMemo::SetReadOnly(bool readOnly) {
    memo()->setReadOnly(readOnly);
}
bool TMemo::WordWrap() const {
    return memo()->lineWrapMode() != QPlainTextEdit::NoWrap;
}
void TMemo::SetWordWrap(bool wrap) {
    memo()->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}
void TMemo::SetBorderless(bool borderless) {
    memo()->setFrameShape(borderless ? QFrame::NoFrame : QFrame::StyledPanel);
}
void TMemo::SetVerticalScrollBar(bool shown) {
    memo()->setVerticalScrollBarPolicy(shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

void TMemo::ScrollToEnd() {
    QScrollBar* bar = memo()->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TMemo::applyColor(const QColor& color) {
    QPalette palette = memo()->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    memo()->setPalette(palette);
}

// --- TCheckBox --------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner, new QCheckBox) {
    QObject::connect(box(), &QCheckBox::clicked, [this] {
        if (!settingChecked_ && OnClick)
            guarded([this] { OnClick(this); });
    });
}

QCheckBox* TCheckBox::box() const {
    return static_cast<QCheckBox*>(Widget());
}

bool TCheckBox::Checked() const {
    return box()->isChecked();
}

void TCheckBox::SetChecked(bool checked) {
    if (checked == Checked())
        return;
    settingChecked_ = true;
    box()->setChecked(checked);
    settingChecked_ = false;
    TControl::Click();
}

void TCheckBox::Click() {
    box()->click();
}

void TCheckBox::captionChanged() {
    box()->setText(qs(caption_));
}

void TCheckBox::applyColor(const QColor& color) {
    TControl::applyColor(color);
}

// --- TButton ----------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner, new QPushButton) {
    QObject::connect(static_cast<QPushButton*>(Widget()), &QPushButton::clicked,
                     [this] { guarded([this] { Click(); }); });
    Widget()->setFocusPolicy(Qt::TabFocus);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = GetParentForm(this))
            form->SetModalResult(modalResult_);
    TControl::Click();
}

void TButton::SetCornerRadius(int radius) {
    cornerRadius_ = radius;
    applyStyle();
}

void TButton::captionChanged() {
    static_cast<QPushButton*>(Widget())->setText(qs(caption_));
}

void TButton::applyColor(const QColor&) {
    applyStyle();
}

void TButton::applyFont() {
    TControl::applyFont();
    applyStyle();
}

void TButton::applyStyle() {
    if (cornerRadius_ <= 0)
        return; // the desktop's own button look
    Widget()->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; "
                                           "border: none; border-radius: %3px; }"
                                           "QPushButton:pressed { background-color: %4; }")
                                .arg(cssColor(Color()), cssColor(Font().Color))
                                .arg(cornerRadius_)
                                .arg(toQColor(Color()).darker(130).name()));
}

// --- TPanel -----------------------------------------------------------------------------------

/// Paints the panel's bevel and its centred caption.
class PanelSurface : public QWidget {
public:
    explicit PanelSurface(TPanel* panel) : panel_(panel) {}
    TPanel* panel_;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!panel_)
            return;
        QPainter painter(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        if (panel_->bevelOuter_ != TBevelCut::bvNone) {
            const bool raised = panel_->bevelOuter_ == TBevelCut::bvRaised;
            const QColor light = palette().color(QPalette::Window).lighter(150);
            const QColor dark = palette().color(QPalette::Window).darker(150);
            painter.setPen(raised ? light : dark);
            painter.drawLine(r.topLeft(), r.topRight());
            painter.drawLine(r.topLeft(), r.bottomLeft());
            painter.setPen(raised ? dark : light);
            painter.drawLine(r.bottomLeft(), r.bottomRight());
            painter.drawLine(r.topRight(), r.bottomRight());
        }
        if (!panel_->Caption().empty()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(rect(), Qt::AlignCenter, qs(panel_->Caption()));
        }
    }
};

TPanel::TPanel(TComponent* owner) : TWinControl(owner, new PanelSurface(this)) {
    setMouseRouting(MouseRouting::Consume);
    SetColor(clBtnFace);
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
    bevelOuter_ = bevel;
    Invalidate();
}

void TPanel::captionChanged() {
    Invalidate();
}

// --- TGroupBox --------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner, new QGroupBox) {
    SetColor(clBtnFace);
}

void TGroupBox::captionChanged() {
    static_cast<QGroupBox*>(Widget())->setTitle(qs(caption_));
}

} // namespace vrx::forms
