#include "Platform/forms/DBCtrls.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace vrx::forms {

FieldLink::~FieldLink() {
    if (source_)
        source_->RemoveLink(this);
}

void FieldLink::SetSource(TDataSource* source) {
    if (source_)
        source_->RemoveLink(this);
    source_ = source;
    if (source_)
        source_->AddLink(this);
    refresh_();
}

void FieldLink::SetField(const std::string& field) {
    field_ = field;
    refresh_();
}

bool FieldLink::Active() const {
    return source_ && source_->Enabled() && source_->GetDataSet() && !field_.empty() &&
           source_->GetDataSet()->state() != DataSetState::Inactive;
}

QVariant FieldLink::Value() const {
    // An empty table in browse state has no current record to show.
    if (!Active() || (source_->GetDataSet()->recNo() == 0 &&
                      source_->GetDataSet()->state() == DataSetState::Browse))
        return QVariant();
    return source_->GetDataSet()->fieldValue(field_);
}

bool FieldLink::Assign(const QVariant& value) {
    if (!Active())
        return false;
    DataSet* data = source_->GetDataSet();
    assigning_ = true;
    guarded([&] {
        if (data->state() == DataSetState::Browse)
            data->edit();
        data->setFieldValue(field_, value);
    });
    assigning_ = false;
    return true;
}

void FieldLink::dataChanged(DataChange change, const std::string& fieldName) {
    // The control's own assignment (its edit state included) is already on screen; of the
    // other field assignments only this field's own matter.
    if (assigning_ || (change == DataChange::FieldValue && fieldName != field_))
        return;
    refresh_();
}

// --- TDBEdit ----------------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* owner) : TCustomEdit(owner) {
    OnChange = nullptr;
    QObject::connect(edit(), &QLineEdit::textEdited, [this](const QString& text) {
        if (!refreshing_)
            link_.Assign(text);
    });
    refresh();
}

void TDBEdit::refresh() {
    refreshing_ = true;
    SetText(link_.Value().toString().toStdString());
    SetReadOnly(!link_.Active());
    refreshing_ = false;
}

// --- TDBMemo ----------------------------------------------------------------------------------

TDBMemo::TDBMemo(TComponent* owner) : TMemo(owner) {
    QObject::connect(static_cast<QPlainTextEdit*>(Widget()), &QPlainTextEdit::textChanged, [this] {
        if (refreshing_)
            return;
        link_.Assign(QString::fromStdString(Text()));
    });
    refresh();
}

void TDBMemo::refresh() {
    refreshing_ = true;
    SetText(link_.Value().toString().toStdString());
    refreshing_ = false;
}

// --- TDBText ----------------------------------------------------------------------------------

TDBText::TDBText(TComponent* owner) : TLabel(owner) {
    SetAutoSize(false);
    refresh();
}

void TDBText::refresh() {
    SetCaption(link_.Value().toString().toStdString());
}

// --- TDBRadioGroup ----------------------------------------------------------------------------

TDBRadioGroup::TDBRadioGroup(TComponent* owner) : TRadioGroup(owner) {
    OnClick = [this](TObject*) { chosen(); };
    values_.OnChange = [this] { refresh(); };
}

void TDBRadioGroup::chosen() {
    if (!refreshing_ && ItemIndex() >= 0) {
        const QVariant value = values_.Count() > ItemIndex()
                                   ? QVariant(QString::fromStdString(values_[ItemIndex()]))
                                   : QVariant(ItemIndex());
        link_.Assign(value);
    }
    if (OnChange)
        guarded([this] { OnChange(this); });
}

void TDBRadioGroup::refresh() {
    const QVariant value = link_.Value();
    int index = -1;
    if (value.isValid()) {
        if (values_.Count() > 0)
            index = values_.IndexOf(value.toString().toStdString());
        else
            index = value.toInt();
    }
    refreshing_ = true;
    SetItemIndex(index);
    refreshing_ = false;
}

// --- TDBCheckBox -----------------------------------------------------------------------------

TDBCheckBox::TDBCheckBox(TComponent* owner) : TCheckBox(owner) {
    // toggled comes before clicked, so the field is written before OnClick runs.
    QObject::connect(static_cast<QCheckBox*>(Widget()), &QCheckBox::toggled, [this](bool on) {
        if (!refreshing_)
            link_.Assign(QString::fromStdString(on ? valueChecked_ : valueUnchecked_));
    });
    refresh();
}

void TDBCheckBox::SetValueChecked(const std::string& value) {
    valueChecked_ = value;
    refresh();
}

void TDBCheckBox::SetValueUnchecked(const std::string& value) {
    valueUnchecked_ = value;
    refresh();
}

void TDBCheckBox::Click() {
    if (!ReadOnly())
        TCheckBox::Click();
}

void TDBCheckBox::refresh() {
    const QVariant value = link_.Value();
    const bool checked =
        value.isValid() &&
        value.toString().compare(QString::fromStdString(valueChecked_), Qt::CaseInsensitive) == 0;
    refreshing_ = true;
    SetChecked(checked);
    refreshing_ = false;
}

bool TDBCheckBox::handleEvent(QWidget* watched, QEvent* event) {
    // A read-only box still tells its mouse handlers; only the widget must not toggle.
    const bool handled = TCheckBox::handleEvent(watched, event);
    if (watched != Widget() || !ReadOnly())
        return handled;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return handled || key == Qt::Key_Space || key == Qt::Key_Select;
    }
    default:
        return handled;
    }
}

} // namespace vrx::forms
