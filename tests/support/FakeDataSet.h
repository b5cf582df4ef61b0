#pragma once

#include "Platform/forms/DataSet.h"

#include <QVariant>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace vrx::test {

/// A table of records in memory with a cursor, edit states and notification, recording the
/// calls the data-aware controls make.
class FakeDataSet : public forms::DataSet {
public:
    using Record = std::map<std::string, QVariant>;

    explicit FakeDataSet(std::vector<Record> records = {}) : records_(std::move(records)) {
        recNo_ = records_.empty() ? 0 : 1;
    }

    forms::DataSetState state() const override { return state_; }
    int recordCount() const override { return static_cast<int>(records_.size()); }
    int recNo() const override { return recNo_; }
    void setRecNo(int recNo) override {
        if (state_ == forms::DataSetState::Edit)
            post();
        recNo_ = std::clamp(recNo, records_.empty() ? 0 : 1, recordCount());
        notify(forms::DataChange::Scrolled);
    }
    QVariant fieldValue(const std::string& field) const override {
        return recNo_ == 0 ? QVariant() : fieldValueAt(recNo_, field);
    }
    QVariant fieldValueAt(int recNo, const std::string& field) const override {
        const Record& r = records_.at(static_cast<size_t>(recNo - 1));
        const auto it = r.find(field);
        return it == r.end() ? QVariant() : it->second;
    }
    void setFieldValue(const std::string& field, const QVariant& value) override {
        if (state_ != forms::DataSetState::Edit)
            throw std::logic_error("not in edit state");
        records_.at(static_cast<size_t>(recNo_ - 1))[field] = value;
        ++assignments;
        notify(forms::DataChange::FieldValue, field);
    }
    void edit() override {
        ++edits;
        state_ = forms::DataSetState::Edit;
        notify(forms::DataChange::State);
    }
    void post() override {
        state_ = forms::DataSetState::Browse;
        notify(forms::DataChange::State);
    }
    void cancel() override { post(); }
    bool controlsDisabled() const override { return disabled_ > 0; }
    void addObserver(forms::DataSetObserver* o) override { observers_.push_back(o); }
    void removeObserver(forms::DataSetObserver* o) override {
        observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
    }

    void DisableControls() { ++disabled_; }
    void EnableControls() {
        if (--disabled_ == 0)
            notify(forms::DataChange::Notification);
    }
    /// Changes a record behind the controls' back, as another part of the program does.
    void Put(int recNo, const std::string& field, const QVariant& value) {
        records_.at(static_cast<size_t>(recNo - 1))[field] = value;
        notify(forms::DataChange::Content);
    }
    void Close() {
        state_ = forms::DataSetState::Inactive;
        notify(forms::DataChange::State);
    }

    int edits = 0;
    int assignments = 0;

private:
    void notify(forms::DataChange change, const std::string& field = {}) {
        for (forms::DataSetObserver* o : std::vector<forms::DataSetObserver*>(observers_))
            o->dataSetChanged(change, field);
    }

    std::vector<Record> records_;
    forms::DataSetState state_ = forms::DataSetState::Browse;
    int recNo_ = 0;
    int disabled_ = 0;
    std::vector<forms::DataSetObserver*> observers_;
};

} // namespace vrx::test
