#pragma once

#include "Platform/forms/Component.h"
#include "Platform/forms/DataSet.h"
#include "Platform/forms/Events.h"

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

/// A control bound to a field through a data source.
class DataLink {
public:
    virtual ~DataLink() = default;
    /// The data set changed (and the source is enabled and notification is on).
    virtual void dataChanged(DataChange change, const std::string& fieldName) = 0;
};

/// Connects the data-aware controls to a data set (borrowed, never freed). A disabled source
/// tells its controls nothing; enabling it again refreshes them. While the data set has its
/// controls disabled, nothing reaches them either.
class TDataSource : public TComponent, private DataSetObserver {
public:
    explicit TDataSource(TComponent* owner) : TComponent(owner) {}
    ~TDataSource() override;

    DataSet* GetDataSet() const { return dataSet_; }
    void SetDataSet(DataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    void AddLink(DataLink* link) { links_.push_back(link); }
    void RemoveLink(DataLink* link);

    /// Runs for every change that the controls are told of.
    TNotifyEvent OnDataChange;

private:
    void dataSetChanged(DataChange change, const std::string& fieldName) override;
    void tell(DataChange change, const std::string& fieldName);

    DataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<DataLink*> links_;
};

} // namespace vrx::forms
