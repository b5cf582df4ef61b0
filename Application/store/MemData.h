#pragma once

#include "Application/store/Field.h"
#include "Platform/forms/DataSet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

/// A record of a table: its RecId and one value per field, indexed by the field's Index (slot 0,
/// the RecId's, is unused).
struct TRecord {
    std::int32_t recId = 0;
    std::vector<TFieldValue> values;
};

/// Names a record of an open table until the table is closed or reloaded.
struct TBookmark {
    std::uint64_t generation = 0;
    std::int32_t recId = 0;
    bool IsValid() const { return recId != 0; }
};

enum class TLocateOptions { None, CaseInsensitive };

/// The in-memory record table: typed, named fields, an ordered list of records, a cursor with
/// the states browse, edit and insert, change events, an optional sort field, and bound controls
/// that follow it through the framework's data set interface.
///
/// Ordering: without a sort field the records keep their list order (loaded order, appended
/// records at the end, inserted ones before the current record). With SortedField set they are
/// kept in ascending order of that field at all times; equal keys stay in ascending RecId order.
/// Strings compare byte by byte as unsigned values, numbers numerically, a null value first.
///
/// Moving the cursor (First, Next, Prior, Last, Locate, GotoBookmark, Append, Insert, Delete)
/// runs BeforeScroll while the cursor still stands on the record it leaves; an edit still
/// pending after it is posted when a field was changed and cancelled otherwise. A handler stops
/// the operation by throwing (vrx::forms::Abort for a silent stop); the cursor then stays.
class TdxMemData : public vrx::forms::DataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TdxMemData& dataSet)>;

    explicit TdxMemData(std::string name = {});
    ~TdxMemData() override;
    TdxMemData(const TdxMemData&) = delete;
    TdxMemData& operator=(const TdxMemData&) = delete;

    const std::string& Name() const { return name_; }

    // --- Fields (defined while the table is closed) ---
    TField* AddField(const std::string& name, TFieldType type, int size = 0,
                     TFieldKind kind = TFieldKind::fkData);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField* Fields(int index) const { return fields_.at(static_cast<std::size_t>(index)).get(); }
    /// The field of that name (ASCII case ignored); nullptr when there is none.
    TField* FindField(const std::string& name) const;
    /// As FindField, but a missing field raises "Field 'name' not found".
    TField* FieldByName(const std::string& name) const;
    /// The sort field; empty for none. Setting it reorders an open table at once.
    void SetSortedField(const std::string& fieldName);
    const std::string& SortedField() const { return sortedFieldName_; }

    // --- Open and close ---
    void Open();
    /// Cancels a pending edit and drops every record; the RecId counter starts again at the next
    /// open, and bookmarks of the old content no longer lead anywhere.
    void Close();
    bool Active() const { return state_ != vrx::forms::DataSetState::Inactive; }

    // --- Cursor ---
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    int RecordCount() const { return static_cast<int>(records_.size()); }
    /// 1-based position of the current record; 0 when there is none.
    int RecNo() const;
    bool IsEmpty() const { return records_.empty(); }
    /// Moves to the first record, in table order, whose whole value of the field equals the
    /// value (as text); CaseInsensitive lets a-z match A-Z, every other byte must be equal.
    /// Reports whether one was found; the cursor stays where it was otherwise.
    bool Locate(const std::string& fieldName, const std::string& value,
                TLocateOptions options = TLocateOptions::None);

    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark) const;
    void FreeBookmark(TBookmark& bookmark) { bookmark = {}; }

    // --- Editing ---
    void Append();
    void Insert();
    /// Puts the current record into edit state; on an empty table this inserts a new record.
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return modified_; }
    vrx::forms::DataSetState State() const { return state_; }

    // --- Notification of bound controls ---
    void DisableControls() { ++disableCount_; }
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // --- Events ---
    TDataSetNotifyEvent BeforePost;
    TDataSetNotifyEvent AfterPost;
    TDataSetNotifyEvent AfterDelete;
    TDataSetNotifyEvent BeforeScroll;
    TDataSetNotifyEvent AfterScroll;

    // --- Bulk access for the file formats ---
    /// The records in table order.
    const TRecord& RecordAt(int index) const {
        return *records_.at(static_cast<std::size_t>(index));
    }
    /// Replaces the whole content: close and reopen, the records in the given order get RecId
    /// 1, 2, 3 …, then sort and move to the first record, with bound controls suspended. Each
    /// record must hold FieldCount() values.
    void ReplaceRecords(std::vector<TRecord> records);

    // --- vrx::forms::DataSet ---
    vrx::forms::DataSetState state() const override { return state_; }
    int recordCount() const override { return RecordCount(); }
    int recNo() const override { return RecNo(); }
    void setRecNo(int recNo) override;
    QVariant fieldValue(const std::string& fieldName) const override;
    QVariant fieldValueAt(int recNo, const std::string& fieldName) const override;
    void setFieldValue(const std::string& fieldName, const QVariant& value) override;
    void edit() override { Edit(); }
    void post() override { Post(); }
    void cancel() override { Cancel(); }
    bool controlsDisabled() const override { return ControlsDisabled(); }
    void addObserver(vrx::forms::DataSetObserver* observer) override;
    void removeObserver(vrx::forms::DataSetObserver* observer) override;

private:
    friend class TField;

    // Value access for TField: the current record, or the edit buffer while editing.
    const TFieldValue& CurrentValue(int fieldIndex) const;
    std::int32_t CurrentRecId() const;
    void AssignValue(const TField& field, TFieldValue value);

    void CheckActive() const;
    void CheckBrowseMode();
    void DoBeforeScroll();
    void DoAfterScroll();
    void MoveTo(int index);
    void SetState(vrx::forms::DataSetState state);
    void Notify(vrx::forms::DataChange change, const std::string& fieldName = {});

    bool KeyLess(const TRecord& a, const TRecord& b) const;
    int SortedPosition(const TRecord& record) const;
    void SortRecords();
    int IndexOfRecId(std::int32_t recId) const;
    void BeginInsertAppend(bool append);
    /// Where Locate finds the first record of each value of a text field.
    int LocateIndexed(int fieldIndex, const std::string& value, TLocateOptions options);
    /// Every change of the records or of their order drops the locate indexes.
    void RecordsChanged() { locateIndexes_.clear(); }

    std::string name_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::string sortedFieldName_;
    int sortedFieldIndex_ = -1;

    std::vector<std::unique_ptr<TRecord>> records_;
    vrx::forms::DataSetState state_ = vrx::forms::DataSetState::Inactive;
    int current_ = -1; // index into records_, -1 when the table is empty
    bool eof_ = true;
    bool bof_ = true;
    std::int32_t lastRecId_ = 0;
    std::uint64_t generation_ = 0;

    TRecord editBuffer_;
    int insertIndex_ = -1; // where an inserted record goes (unsorted tables)
    bool modified_ = false;

    // The position of the first record per value of a text field (folded to upper case for
    // case-insensitive lookups), built by the first Locate after a change: a table that is
    // searched far more often than it changes, as the live application rules are, then answers
    // a lookup without scanning its records.
    struct LocateIndex {
        int fieldIndex = 0;
        TLocateOptions options = TLocateOptions::None;
        std::unordered_map<std::string, int> firstPosition;
    };
    std::vector<LocateIndex> locateIndexes_;

    int disableCount_ = 0;
    std::vector<vrx::forms::DataSetObserver*> observers_;
};

/// Suspends the bound controls of a table for a scope, also when the scope is left by an
/// exception.
class ControlsSuspended {
public:
    explicit ControlsSuspended(TdxMemData& table) : table_(table) { table_.DisableControls(); }
    ~ControlsSuspended() { table_.EnableControls(); }
    ControlsSuspended(const ControlsSuspended&) = delete;
    ControlsSuspended& operator=(const ControlsSuspended&) = delete;

private:
    TdxMemData& table_;
};
