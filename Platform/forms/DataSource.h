#pragma once

#include "Platform/forms/DataSet.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vrx::forms {

/// The link between a data set and the controls bound to it. A disabled data source switches its
/// controls off: they show nothing and accept no input until it is enabled again.
class DataSource {
public:
    explicit DataSource(DataSet* dataSet = nullptr) : dataSet_(dataSet) {}
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    DataSet* dataSet() const { return dataSet_; }
    void setDataSet(DataSet* dataSet) {
        dataSet_ = dataSet;
        notify();
    }

    bool enabled() const { return enabled_; }
    /// Bound controls are told with a State change; they read enabled() again.
    void setEnabled(bool enabled) {
        if (enabled_ == enabled)
            return;
        enabled_ = enabled;
        notify();
    }

    /// Observers of the data source itself (its enabled switch and its data set); the controls
    /// observe the data set for everything else.
    void addObserver(DataSetObserver* observer) { observers_.push_back(observer); }
    void removeObserver(DataSetObserver* observer) {
        observers_.erase(std::remove(observers_.begin(), observers_.end(), observer),
                         observers_.end());
    }

private:
    void notify() {
        const auto observers = observers_;
        for (DataSetObserver* observer : observers)
            observer->dataSetChanged(DataChange::State, std::string());
    }

    DataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<DataSetObserver*> observers_;
};

} // namespace vrx::forms
