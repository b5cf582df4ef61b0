#pragma once

#include "Platform/forms/Control.h"
#include "Platform/forms/Strings.h"

class QButtonGroup;
class QGroupBox;

namespace vrx::forms {

/// A framed set of radio buttons built from Items; ItemIndex is the chosen one (-1: none).
class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* owner);

    TStrings& Items() { return items_; }
    int ItemIndex() const { return itemIndex_; }
    /// Chooses an item; runs OnClick when the choice changes, as the user's choice does.
    void SetItemIndex(int index);
    int Columns() const { return columns_; }
    void SetColumns(int columns);

protected:
    void captionChanged() override;
    bool handleEvent(QWidget* watched, QEvent* event) override;

private:
    void rebuild();
    void layoutButtons();

    TStringList items_;
    int itemIndex_ = -1;
    int columns_ = 1;
    QButtonGroup* group_ = nullptr;
};

} // namespace vrx::forms
