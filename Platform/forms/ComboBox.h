#pragma once

#include "Platform/forms/Canvas.h"
#include "Platform/forms/Control.h"
#include "Platform/forms/Strings.h"

#include <functional>

class QComboBox;

namespace vrx::forms {

enum class TComboBoxStyle { csDropDown, csDropDownList, csOwnerDrawFixed };

/// Draws one item of an owner-drawn list on the control's Canvas.
using TDrawItemEvent =
    std::function<void(TObject* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

/// A drop-down list. Owner-drawn, every item (and the chosen one in the closed box, with
/// odComboBoxEdit) is drawn by OnDrawItem; ImageBase is where the items' pictures start in a
/// shared image list, for the drawing handler to use.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;

    TStrings& Items() { return items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::string Text() const;

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    int ImageBase() const { return imageBase_; }
    void SetImageBase(int base) { imageBase_ = base; }
    TCanvas& Canvas() { return canvas_; }

    /// Runs when the user picks another item (not when the program sets ItemIndex).
    TNotifyEvent OnChange;
    TDrawItemEvent OnDrawItem;

    /// Draws an item the way an owner-drawn list does, on a painter (the popup's delegate and
    /// the box's face use it).
    void DrawItem(QPainter& painter, int index, const QRect& rect, TOwnerDrawState state);

protected:
    void applyColor(const QColor& color) override;

private:
    class Box;
    class Delegate;
    QComboBox* box() const;
    void reload();

    TStringList items_;
    TComboBoxStyle style_ = TComboBoxStyle::csDropDownList;
    int imageBase_ = 0;
    TCanvas canvas_;
    bool userChange_ = true;
};

} // namespace vrx::forms
