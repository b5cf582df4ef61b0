#include "Platform/forms/ComboBox.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QComboBox>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace vrx::forms {

/// The combo box whose closed face shows an owner-drawn chosen item.
class TComboBox::Box : public QComboBox {
public:
    explicit Box(TComboBox* owner) : owner_(owner) {}
    TComboBox* owner_;

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!owner_ || owner_->style_ != TComboBoxStyle::csOwnerDrawFixed || !owner_->OnDrawItem) {
            QComboBox::paintEvent(e);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        TOwnerDrawState state = odComboBoxEdit;
        if (hasFocus())
            state |= odFocused;
        if (currentIndex() >= 0)
            owner_->DrawItem(painter, currentIndex(), field, state);
    }
};

/// Draws the items of the open list through the owner's handler.
class TComboBox::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(TComboBox* owner) : owner_(owner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!owner_->OnDrawItem) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        TOwnerDrawState state = 0;
        if (option.state & QStyle::State_Selected)
            state |= odSelected;
        if (!(option.state & QStyle::State_Enabled))
            state |= odDisabled;
        owner_->DrawItem(*painter, index.row(), option.rect, state);
    }

private:
    TComboBox* owner_;
};

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner, new Box(this)) {
    items_.OnChange = [this] { reload(); };
    QObject::connect(box(), &QComboBox::currentIndexChanged, [this] {
        if (userChange_ && OnChange)
            guarded([this] { OnChange(this); });
    });
    SetColor(clWindow);
}

TComboBox::~TComboBox() {
    if (auto* b = dynamic_cast<Box*>(Widget()))
        b->owner_ = nullptr;
}

QComboBox* TComboBox::box() const {
    return static_cast<QComboBox*>(Widget());
}

void TComboBox::reload() {
    userChange_ = false;
    const int index = box()->currentIndex();
    box()->clear();
    for (int i = 0; i < items_.Count(); ++i)
        box()->addItem(QString::fromStdString(items_[i]));
    box()->setCurrentIndex(index < items_.Count() ? index : -1);
    userChange_ = true;
}

int TComboBox::ItemIndex() const {
    return box()->currentIndex();
}

void TComboBox::SetItemIndex(int index) {
    userChange_ = false;
    box()->setCurrentIndex(index >= 0 && index < items_.Count() ? index : -1);
    userChange_ = true;
}

std::string TComboBox::Text() const {
    return box()->currentText().toStdString();
}

void TComboBox::SetStyle(TComboBoxStyle style) {
    style_ = style;
    box()->setEditable(style == TComboBoxStyle::csDropDown);
    if (style == TComboBoxStyle::csOwnerDrawFixed)
        box()->setItemDelegate(new Delegate(this));
    else
        box()->setItemDelegate(new QStyledItemDelegate(box()));
}

void TComboBox::DrawItem(QPainter& painter, int index, const QRect& rect, TOwnerDrawState state) {
    // The canvas starts each item as the list does: the brush fills with the colour of the
    // item's state and the font's colour contrasts with it.
    canvas_.Brush.Color =
        state & odSelected ? fromQColor(Widget()->palette().color(QPalette::Highlight)) : Color();
    canvas_.Brush.Style = TBrushStyle::bsSolid;
    canvas_.Font = Font();
    if (state & odSelected)
        canvas_.Font.Color = fromQColor(Widget()->palette().color(QPalette::HighlightedText));
    painter.save();
    painter.setClipRect(rect);
    TCanvas::Binding binding(canvas_, painter);
    guarded([&] { OnDrawItem(this, index, TRect::fromQRect(rect), state); });
    painter.restore();
}

void TComboBox::applyColor(const QColor& color) {
    QPalette palette = box()->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    box()->setPalette(palette);
}

} // namespace vrx::forms
