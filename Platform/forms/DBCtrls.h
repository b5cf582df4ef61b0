#pragma once

#include "Platform/forms/DataSource.h"
#include "Platform/forms/RadioGroup.h"
#include "Platform/forms/StdCtrls.h"

#include <QVariant>

#include <string>
#include <vector>

namespace vrx::forms {

/// What every data-aware control does with its field: it shows the current record's value
/// and, when the user changes it, puts the data set into edit state and assigns the field.
/// An inactive data set, a disabled source or a missing field shows empty and read-only.
class FieldLink : public DataLink {
public:
    explicit FieldLink(std::function<void()> refresh) : refresh_(std::move(refresh)) {}
    ~FieldLink() override;

    TDataSource* Source() const { return source_; }
    void SetSource(TDataSource* source);
    const std::string& Field() const { return field_; }
    void SetField(const std::string& field);

    /// Whether the field can be shown (an active data set behind an enabled source).
    bool Active() const;
    QVariant Value() const;
    /// The user's change: edit state first, then the field; false when nothing is bound.
    bool Assign(const QVariant& value);

private:
    void dataChanged(DataChange change, const std::string& fieldName) override;
    /// Only forgets the source: its owner may be half destroyed, so no handler may run now.
    void sourceDestroyed() override { source_ = nullptr; }

    std::function<void()> refresh_;
    TDataSource* source_ = nullptr;
    std::string field_;
    bool assigning_ = false;
};

/// An edit bound to a text or number field.
class TDBEdit : public TCustomEdit {
public:
    explicit TDBEdit(TComponent* owner);
    TDataSource* DataSource() const { return link_.Source(); }
    void SetDataSource(TDataSource* source) { link_.SetSource(source); }
    const std::string& DataField() const { return link_.Field(); }
    void SetDataField(const std::string& field) { link_.SetField(field); }

private:
    void refresh();
    FieldLink link_{[this] { refresh(); }};
    bool refreshing_ = false;
};

/// A memo bound to a text field.
class TDBMemo : public TMemo {
public:
    explicit TDBMemo(TComponent* owner);
    TDataSource* DataSource() const { return link_.Source(); }
    void SetDataSource(TDataSource* source) { link_.SetSource(source); }
    const std::string& DataField() const { return link_.Field(); }
    void SetDataField(const std::string& field) { link_.SetField(field); }

private:
    void refresh();
    FieldLink link_{[this] { refresh(); }};
    bool refreshing_ = false;
};

/// A label that shows a field.
class TDBText : public TLabel {
public:
    explicit TDBText(TComponent* owner);
    TDataSource* DataSource() const { return link_.Source(); }
    void SetDataSource(TDataSource* source) { link_.SetSource(source); }
    const std::string& DataField() const { return link_.Field(); }
    void SetDataField(const std::string& field) { link_.SetField(field); }

private:
    void refresh();
    FieldLink link_{[this] { refresh(); }};
};

/// A radio group bound to a field: item i stands for Values[i] (for the number i when no
/// values are given). OnChange runs whenever the chosen item changes, by the user or by the
/// data.
class TDBRadioGroup : public TRadioGroup {
public:
    explicit TDBRadioGroup(TComponent* owner);
    TDataSource* DataSource() const { return link_.Source(); }
    void SetDataSource(TDataSource* source) { link_.SetSource(source); }
    const std::string& DataField() const { return link_.Field(); }
    void SetDataField(const std::string& field) { link_.SetField(field); }
    TStrings& Values() { return values_; }

    TNotifyEvent OnChange;

private:
    void refresh();
    void chosen();
    FieldLink link_{[this] { refresh(); }};
    TStringList values_;
    bool refreshing_ = false;
};

/// A check box bound to a boolean field: ticked when the field holds ValueChecked ("True" by
/// default, compared without regard to case), unticked for anything else and for null. A tick
/// by the user, or Checked set by the program, writes ValueChecked or ValueUnchecked into the
/// field (edit state first) before OnClick runs; OnClick also runs when the data ticks it, as
/// for a plain check box. Without an active field behind an enabled source the box is
/// read-only: a click or the space bar leaves it as it is.
class TDBCheckBox : public TCheckBox {
public:
    explicit TDBCheckBox(TComponent* owner);
    TDataSource* DataSource() const { return link_.Source(); }
    void SetDataSource(TDataSource* source) { link_.SetSource(source); }
    const std::string& DataField() const { return link_.Field(); }
    void SetDataField(const std::string& field) { link_.SetField(field); }
    const std::string& ValueChecked() const { return valueChecked_; }
    void SetValueChecked(const std::string& value);
    const std::string& ValueUnchecked() const { return valueUnchecked_; }
    void SetValueUnchecked(const std::string& value);
    /// Whether the user cannot change it now.
    bool ReadOnly() const { return !link_.Active(); }
    /// The user's click: toggles and writes the field, unless the box is read-only.
    void Click() override;

protected:
    bool handleEvent(QWidget* watched, QEvent* event) override;

private:
    void refresh();
    FieldLink link_{[this] { refresh(); }};
    std::string valueChecked_ = "True";
    std::string valueUnchecked_ = "False";
    bool refreshing_ = false;
};

} // namespace vrx::forms
