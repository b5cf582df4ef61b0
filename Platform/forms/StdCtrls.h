#pragma once

#include "Platform/forms/Control.h"
#include "Platform/forms/Strings.h"

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QCheckBox;
class QPushButton;
class QGroupBox;

namespace vrx::forms {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

/// A line of text or a word-wrapped block. A press on a label belongs to the label (its
/// OnMouseDown and OnClick), not to the form under it.
class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner);

    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wrap);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    /// An auto-sized label takes the size of its text.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

protected:
    void captionChanged() override;
    void applyColor(const QColor& color) override;
    void applyFont() override;

private:
    QLabel* label() const;
    void fit();

    bool wordWrap_ = false;
    bool transparent_ = false;
    bool autoSize_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
};

/// The single-line edits share this base; TEdit and TMaskEdit are distinct classes below it,
/// so a colour scheme that recolours edits can tell them apart.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    virtual std::string Text() const;
    virtual void SetText(const std::string& text);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    int MaxLength() const;
    void SetMaxLength(int length);
    void SelectAll();

    /// Runs after every change of the text, by the user or by the program.
    TNotifyEvent OnChange;

protected:
    QLineEdit* edit() const;
    void applyColor(const QColor& color) override;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

/// The lines of a memo, read and written in place.
class TMemoLines;

/// A multi-line text box whose Lines can be read, added to, cleared and replaced.
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;

    TStrings& Lines();
    /// The whole text, line breaks as CR LF, without one added at the end.
    std::string Text() const;
    void SetText(const std::string& text);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    bool WordWrap() const;
    void SetWordWrap(bool wrap);
    /// Without a border the text sits directly on the parent's surface.
    void SetBorderless(bool borderless);
    void SetVerticalScrollBar(bool shown);
    /// Scrolls the last line into view.
    void ScrollToEnd();

    TNotifyEvent OnChange;

protected:
    void applyColor(const QColor& color) override;

private:
    QPlainTextEdit* memo() const;
    std::unique_ptr<TMemoLines> lines_;
};

/// A box with a caption that the user ticks. Setting Checked from the program also runs
/// OnClick, as the user's click does.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const;
    void SetChecked(bool checked);
    void Click() override;

protected:
    void captionChanged() override;
    void applyColor(const QColor& color) override;

private:
    QCheckBox* box() const;
    bool settingChecked_ = false;
};

/// A push button. A button with a modal result gives it to its form when clicked; a corner
/// radius draws it rounded in its own colour.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    int CornerRadius() const { return cornerRadius_; }
    void SetCornerRadius(int radius);
    void Click() override;

protected:
    void captionChanged() override;
    void applyColor(const QColor& color) override;
    void applyFont() override;

private:
    void applyStyle();

    int modalResult_ = 0;
    int cornerRadius_ = 0;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };

/// A surface that groups controls, with an optional centred caption.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut bevel);

protected:
    void captionChanged() override;

private:
    friend class PanelSurface;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
};

/// A framed group of controls with a caption.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);

protected:
    void captionChanged() override;
};

} // namespace vrx::forms
