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
    /// The data source is being destroyed: the link must forget it (it is not told again).
    virtual void sourceDestroyed() = 0;
};

/// Connects the data-aware controls to a data set (borrowed, never freed). A disabled source
/// switches its controls off: they show nothing and accept no input; enabling it again
/// refreshes them. While the data set has its controls disabled, nothing reaches them either.
/// Without an owner the source can live as a member of a plain object (the data module); it
/// must then be destroyed before its data set or be given another data set first.
class TDataSource : public TComponent, private DataSetObserver {
public:
    explicit TDataSource(TComponent* owner = nullptr) : TComponent(owner) {}
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
