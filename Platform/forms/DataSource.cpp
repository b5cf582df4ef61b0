#include "Platform/forms/DataSource.h"

#include "Platform/forms/ExceptionGuard.h"

#include <algorithm>
#include <utility>

namespace vrx::forms {

TDataSource::~TDataSource() {
    if (dataSet_)
        dataSet_->removeObserver(this);
    // Controls that outlive their source must not reach back into it.
    const std::vector<DataLink*> links = std::move(links_);
    links_.clear();
    for (DataLink* link : links)
        link->sourceDestroyed();
}

void TDataSource::SetDataSet(DataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->removeObserver(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->addObserver(this);
    tell(DataChange::Content, {});
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    tell(DataChange::Content, {});
}

void TDataSource::RemoveLink(DataLink* link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TDataSource::dataSetChanged(DataChange change, const std::string& fieldName) {
    if (enabled_ && dataSet_ && !dataSet_->controlsDisabled())
        tell(change, fieldName);
}

void TDataSource::tell(DataChange change, const std::string& fieldName) {
    // A link may go away while it is told (a control freed by a handler): copy first.
    const std::vector<DataLink*> links = links_;
    for (DataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->dataChanged(change, fieldName);
    if (OnDataChange)
        guarded([this] { OnDataChange(this); });
}

} // namespace vrx::forms
