#include "Platform/forms/RadioGroup.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QRadioButton>

#include <algorithm>

namespace vrx::forms {

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner, new QGroupBox) {
    group_ = new QButtonGroup(Widget());
    QObject::connect(group_, &QButtonGroup::idClicked, [this](int id) {
        if (id != itemIndex_)
            SetItemIndex(id);
    });
    items_.OnChange = [this] { rebuild(); };
    SetColor(clBtnFace);
}

void TRadioGroup::captionChanged() {
    static_cast<QGroupBox*>(Widget())->setTitle(QString::fromStdString(caption_));
}

void TRadioGroup::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count())
        index = -1;
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    if (QAbstractButton* b = group_->button(index))
        b->setChecked(true);
    else if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
    if (OnClick)
        guarded([this] { OnClick(this); });
}

bool TRadioGroup::handleEvent(QWidget* watched, QEvent* event) {
    if (watched == Widget() && event->type() == QEvent::Resize)
        layoutButtons();
    return TWinControl::handleEvent(watched, event);
}

void TRadioGroup::SetColumns(int columns) {
    columns_ = columns < 1 ? 1 : columns;
    layoutButtons();
}

void TRadioGroup::rebuild() {
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items_.Count(); ++i) {
        auto* b = new QRadioButton(QString::fromStdString(items_[i]), Widget());
        group_->addButton(b, i);
        b->show();
    }
    if (itemIndex_ >= items_.Count())
        itemIndex_ = -1;
    if (QAbstractButton* b = group_->button(itemIndex_))
        b->setChecked(true);
    layoutButtons();
}

void TRadioGroup::layoutButtons() {
    // The items share the space below the caption in equal rows, column by column.
    const QList<QAbstractButton*> buttons = group_->buttons();
    if (buttons.isEmpty())
        return;
    const int rows = (static_cast<int>(buttons.size()) + columns_ - 1) / columns_;
    const int top = 16, left = 8;
    const int rowHeight = std::max(16, (Height() - top - 4) / std::max(rows, 1));
    const int colWidth = (Width() - left) / columns_;
    for (int i = 0; i < buttons.size(); ++i) {
        QAbstractButton* b = group_->button(i);
        const int col = i / rows, row = i % rows;
        b->setGeometry(left + col * colWidth, top + row * rowHeight, colWidth - 4, rowHeight);
    }
}

} // namespace vrx::forms
