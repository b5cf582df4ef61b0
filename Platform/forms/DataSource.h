#pragma once

#include "Platform/forms/Component.h"
#include "Platform/forms/DataSet.h"
#include "Platform/forms/Events.h"

#include <string>
#include <vector>

namespace vrx::forms {

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
