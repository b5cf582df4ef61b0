#pragma once

#include <QVariant>

#include <exception>
#include <string>

namespace vrx::forms {

/// Thrown to abandon an operation silently: a before-post check that refuses the record, or a
/// move that must not happen because of it. The record stays as it was; whoever handles escaped
/// exceptions (the application object's error box, a data-aware control) ignores this one.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

/// Abandons the running operation silently.
[[noreturn]] inline void Abort() {
    throw EAbort();
}

/// The cursor state of a data set.
enum class DataSetState { Inactive, Browse, Edit, Insert };

/// What changed in a data set, as its bound controls are told.
enum class DataChange {
    Content,      // records were added, removed, reloaded or reordered: redraw everything
    Scrolled,     // the cursor moved to another record
    State,        // the cursor state changed (browse, edit, insert, inactive)
    FieldValue,   // a field of the current record was assigned (the field's name is given)
    Notification, // notification was resumed: refresh from scratch
};

/// Told of every change of a data set while its notification is not suspended.
class DataSetObserver {
public:
    virtual ~DataSetObserver() = default;
    virtual void dataSetChanged(DataChange change, const std::string& fieldName) = 0;
};

/// The small interface of a table that a data source and the data-aware controls need. The
/// system's table engine implements it; the framework never knows the engine itself.
/// Records are numbered from 1; RecNo 0 means "no current record" (an empty table).
class DataSet {
public:
    virtual ~DataSet() = default;

    virtual DataSetState state() const = 0;
    virtual int recordCount() const = 0;
    virtual int recNo() const = 0;
    /// Moves the cursor (posting or cancelling as the engine does when the cursor leaves an
    /// edited record).
    virtual void setRecNo(int recNo) = 0;

    /// The value of a field of the current record (an invalid QVariant for null).
    virtual QVariant fieldValue(const std::string& fieldName) const = 0;
    /// The value of a field of any record, without moving the cursor (grids draw all rows).
    virtual QVariant fieldValueAt(int recNo, const std::string& fieldName) const = 0;
    /// Assigns a field of the current record; the data set must be in edit or insert state.
    virtual void setFieldValue(const std::string& fieldName, const QVariant& value) = 0;

    virtual void edit() = 0;
    virtual void post() = 0;
    virtual void cancel() = 0;

    /// Notification of bound controls is suspended while this is true.
    virtual bool controlsDisabled() const = 0;

    virtual void addObserver(DataSetObserver* observer) = 0;
    virtual void removeObserver(DataSetObserver* observer) = 0;
};

} // namespace vrx::forms
