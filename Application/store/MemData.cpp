#include "Application/store/MemData.h"

#include "Application/store/AsciiCase.h"
#include "Application/store/DatabaseError.h"

#include <QString>

#include <algorithm>

using vrx::forms::DataChange;
using vrx::forms::DataSetState;

namespace {

const TFieldValue kNullValue;

// The text a value has for Locate: strings and memos as stored, numbers in decimal, booleans as
// True/False, null as the empty text.
std::string LocateText(const TField& field, const TFieldValue& value) {
    if (field.IsText())
        return value.text;
    if (value.isNull)
        return {};
    if (field.DataType() == TFieldType::ftBoolean)
        return value.number != 0 ? "True" : "False";
    return std::to_string(value.number);
}

QVariant ToVariant(const TField& field, const TFieldValue& value) {
    if (field.IsText()) {
        if (value.isNull && field.DataType() != TFieldType::ftMemo)
            return {};
        return QString::fromStdString(value.text);
    }
    if (value.isNull)
        return {};
    if (field.DataType() == TFieldType::ftBoolean)
        return QVariant(value.number != 0);
    return QVariant(value.number);
}

} // namespace

TdxMemData::TdxMemData(std::string name) : name_(std::move(name)) {
    TField* recId = AddField("RecId", TFieldType::ftInteger);
    recId->Visible = false;
}

TdxMemData::~TdxMemData() = default;

TField* TdxMemData::AddField(const std::string& name, TFieldType type, int size, TFieldKind kind) {
    if (Active())
        throw EDatabaseError("Cannot perform this operation on an open dataset");
    if (FindField(name))
        throw EDatabaseError("Duplicate field name '" + name + "'");
    const int effectiveSize = type == TFieldType::ftString ? size : 0;
    fields_.push_back(std::make_unique<TField>(*this, static_cast<int>(fields_.size()), name, type,
                                               effectiveSize, kind));
    return fields_.back().get();
}

TField* TdxMemData::FindField(const std::string& name) const {
    for (const auto& field : fields_)
        if (EqualsIgnoringAsciiCase(field->FieldName(), name))
            return field.get();
    return nullptr;
}

TField* TdxMemData::FieldByName(const std::string& name) const {
    TField* field = FindField(name);
    if (!field)
        throw EDatabaseError("Field '" + name + "' not found");
    return field;
}

void TdxMemData::SetSortedField(const std::string& fieldName) {
    if (fieldName.empty()) {
        sortedFieldName_.clear();
        sortedFieldIndex_ = -1;
        return;
    }
    const TField* field = FieldByName(fieldName);
    sortedFieldName_ = field->FieldName();
    sortedFieldIndex_ = field->Index();
    if (Active() && !records_.empty()) {
        CheckBrowseMode();
        const std::int32_t recId = records_[static_cast<std::size_t>(current_)]->recId;
        SortRecords();
        current_ = IndexOfRecId(recId);
        Notify(DataChange::Content);
    }
}

// --- Open and close ---

void TdxMemData::Open() {
    if (Active())
        return;
    records_.clear();
    RecordsChanged();
    lastRecId_ = 0;
    current_ = -1;
    bof_ = eof_ = true;
    modified_ = false;
    SetState(DataSetState::Browse);
    Notify(DataChange::Content);
    DoAfterScroll();
}

void TdxMemData::Close() {
    if (!Active())
        return;
    editBuffer_ = {};
    modified_ = false;
    records_.clear();
    RecordsChanged();
    ++generation_;
    current_ = -1;
    bof_ = eof_ = true;
    SetState(DataSetState::Inactive);
    Notify(DataChange::Content);
}

// --- Cursor ---

void TdxMemData::First() {
    CheckActive();
    DoBeforeScroll();
    CheckBrowseMode();
    MoveTo(records_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = records_.empty();
    DoAfterScroll();
}

void TdxMemData::Last() {
    CheckActive();
    DoBeforeScroll();
    CheckBrowseMode();
    MoveTo(static_cast<int>(records_.size()) - 1);
    eof_ = true;
    bof_ = records_.empty();
    DoAfterScroll();
}

void TdxMemData::Next() {
    CheckActive();
    DoBeforeScroll();
    CheckBrowseMode();
    if (current_ + 1 < RecordCount()) {
        MoveTo(current_ + 1);
        bof_ = eof_ = false;
        DoAfterScroll();
    } else {
        eof_ = true;
    }
}

void TdxMemData::Prior() {
    CheckActive();
    DoBeforeScroll();
    CheckBrowseMode();
    if (current_ > 0) {
        MoveTo(current_ - 1);
        bof_ = eof_ = false;
        DoAfterScroll();
    } else {
        bof_ = true;
    }
}

int TdxMemData::RecNo() const {
    return current_ < 0 ? 0 : current_ + 1;
}

bool TdxMemData::Locate(const std::string& fieldName, const std::string& value,
                        TLocateOptions options) {
    CheckActive();
    const TField* field = FieldByName(fieldName);
    DoBeforeScroll();
    CheckBrowseMode();

    int found = -1;
    const int index = field->Index();
    if (index == sortedFieldIndex_ && field->IsText() && options == TLocateOptions::None) {
        // The records are ordered by this field: the first match in table order is the lower
        // bound of the value (equal keys stand in RecId order).
        const auto it = std::lower_bound(
            records_.begin(), records_.end(), value,
            [index](const std::unique_ptr<TRecord>& record, const std::string& key) {
                return record->values[static_cast<std::size_t>(index)].text < key;
            });
        if (it != records_.end() && (*it)->values[static_cast<std::size_t>(index)].text == value)
            found = static_cast<int>(it - records_.begin());
    } else if (index != 0 && field->IsText()) {
        found = LocateIndexed(index, value, options);
    } else {
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const TRecord& record = *records_[i];
            const std::string text =
                index == 0 ? std::to_string(record.recId)
                           : LocateText(*field, record.values[static_cast<std::size_t>(index)]);
            const bool match = options == TLocateOptions::CaseInsensitive
                                   ? EqualsIgnoringAsciiCase(text, value)
                                   : text == value;
            if (match) {
                found = static_cast<int>(i);
                break;
            }
        }
    }
    if (found < 0)
        return false;
    MoveTo(found);
    bof_ = eof_ = false;
    DoAfterScroll();
    return true;
}

int TdxMemData::LocateIndexed(int fieldIndex, const std::string& value, TLocateOptions options) {
    const bool folded = options == TLocateOptions::CaseInsensitive;
    auto index = std::find_if(
        locateIndexes_.begin(), locateIndexes_.end(), [&](const LocateIndex& candidate) {
            return candidate.fieldIndex == fieldIndex && candidate.options == options;
        });
    if (index == locateIndexes_.end()) {
        LocateIndex built{.fieldIndex = fieldIndex, .options = options, .firstPosition = {}};
        built.firstPosition.reserve(records_.size());
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const std::string& text =
                records_[i]->values[static_cast<std::size_t>(fieldIndex)].text;
            // emplace keeps the first position of a value that several records share
            built.firstPosition.emplace(folded ? AsciiUpper(text) : text, static_cast<int>(i));
        }
        locateIndexes_.push_back(std::move(built));
        index = std::prev(locateIndexes_.end());
    }
    const auto hit = index->firstPosition.find(folded ? AsciiUpper(value) : value);
    return hit == index->firstPosition.end() ? -1 : hit->second;
}

TBookmark TdxMemData::GetBookmark() const {
    if (!Active() || current_ < 0)
        return {};
    return {generation_, records_[static_cast<std::size_t>(current_)]->recId};
}

bool TdxMemData::BookmarkValid(const TBookmark& bookmark) const {
    return Active() && bookmark.IsValid() && bookmark.generation == generation_ &&
           IndexOfRecId(bookmark.recId) >= 0;
}

void TdxMemData::GotoBookmark(const TBookmark& bookmark) {
    CheckActive();
    if (!BookmarkValid(bookmark))
        throw EDatabaseError("Record not found");
    DoBeforeScroll();
    CheckBrowseMode();
    const int index = IndexOfRecId(bookmark.recId);
    if (index < 0)
        throw EDatabaseError("Record not found");
    MoveTo(index);
    bof_ = eof_ = false;
    DoAfterScroll();
}

// --- Editing ---

void TdxMemData::Append() {
    BeginInsertAppend(true);
}
void TdxMemData::Insert() {
    BeginInsertAppend(false);
}

void TdxMemData::BeginInsertAppend(bool append) {
    CheckActive();
    DoBeforeScroll();
    CheckBrowseMode();
    editBuffer_ = TRecord{0, std::vector<TFieldValue>(fields_.size())};
    insertIndex_ = append ? RecordCount() : std::max(current_, 0);
    modified_ = false;
    SetState(DataSetState::Insert);
    DoAfterScroll();
}

void TdxMemData::Edit() {
    CheckActive();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return;
    if (records_.empty()) {
        Insert();
        return;
    }
    editBuffer_ = *records_[static_cast<std::size_t>(current_)];
    modified_ = false;
    SetState(DataSetState::Edit);
}

void TdxMemData::Post() {
    CheckActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw EDatabaseError("Dataset not in edit or insert mode");
    if (BeforePost)
        BeforePost(*this);

    if (state_ == DataSetState::Insert) {
        auto record = std::make_unique<TRecord>(std::move(editBuffer_));
        record->recId = ++lastRecId_;
        const int position = sortedFieldIndex_ >= 0 ? SortedPosition(*record)
                                                    : std::clamp(insertIndex_, 0, RecordCount());
        records_.insert(records_.begin() + position, std::move(record));
        RecordsChanged();
        current_ = position;
    } else {
        auto record = std::move(records_[static_cast<std::size_t>(current_)]);
        record->values = std::move(editBuffer_.values);
        records_.erase(records_.begin() + current_);
        const int position = sortedFieldIndex_ >= 0 ? SortedPosition(*record) : current_;
        records_.insert(records_.begin() + position, std::move(record));
        RecordsChanged();
        current_ = position;
    }
    editBuffer_ = {};
    modified_ = false;
    bof_ = eof_ = false;
    SetState(DataSetState::Browse);
    Notify(DataChange::Content);
    if (AfterPost)
        AfterPost(*this);
}

void TdxMemData::Cancel() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    editBuffer_ = {};
    modified_ = false;
    SetState(DataSetState::Browse);
    Notify(DataChange::Content);
}

void TdxMemData::Delete() {
    CheckActive();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (records_.empty())
        throw EDatabaseError("Cannot perform this operation on an empty dataset");
    DoBeforeScroll();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) {
        editBuffer_ = {};
        modified_ = false;
        SetState(DataSetState::Browse);
    }
    if (records_.empty())
        return;
    records_.erase(records_.begin() + current_);
    RecordsChanged();
    if (current_ >= RecordCount())
        current_ = RecordCount() - 1;
    eof_ = records_.empty();
    bof_ = records_.empty();
    Notify(DataChange::Content);
    if (AfterDelete)
        AfterDelete(*this);
    DoAfterScroll();
}

void TdxMemData::EnableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ == 0)
        Notify(DataChange::Notification);
}

void TdxMemData::ReplaceRecords(std::vector<TRecord> records) {
    ControlsSuspended suspended(*this);
    Close();
    Open();
    records_.reserve(records.size());
    for (TRecord& record : records) {
        record.recId = ++lastRecId_;
        record.values.resize(fields_.size());
        records_.push_back(std::make_unique<TRecord>(std::move(record)));
    }
    RecordsChanged();
    SortRecords();
    First();
}

// --- vrx::forms::DataSet ---

void TdxMemData::setRecNo(int recNo) {
    CheckActive();
    if (records_.empty())
        return;
    const int index = std::clamp(recNo, 1, RecordCount()) - 1;
    if (index == current_ && state_ == DataSetState::Browse)
        return;
    DoBeforeScroll();
    CheckBrowseMode();
    MoveTo(index);
    bof_ = eof_ = false;
    DoAfterScroll();
}

QVariant TdxMemData::fieldValue(const std::string& fieldName) const {
    const TField* field = FieldByName(fieldName);
    if (field->Index() == 0) {
        const std::int32_t recId = CurrentRecId();
        return recId == 0 ? QVariant() : QVariant(recId);
    }
    return ToVariant(*field, CurrentValue(field->Index()));
}

QVariant TdxMemData::fieldValueAt(int recNo, const std::string& fieldName) const {
    const TField* field = FieldByName(fieldName);
    if (recNo < 1 || recNo > RecordCount())
        return {};
    const TRecord& record = *records_[static_cast<std::size_t>(recNo - 1)];
    if (field->Index() == 0)
        return QVariant(record.recId);
    return ToVariant(*field, record.values[static_cast<std::size_t>(field->Index())]);
}

void TdxMemData::setFieldValue(const std::string& fieldName, const QVariant& value) {
    TField* field = FieldByName(fieldName);
    if (!value.isValid() || value.isNull()) {
        field->Clear();
        return;
    }
    if (field->IsText())
        field->SetAsString(value.toString().toStdString());
    else if (field->DataType() == TFieldType::ftBoolean && value.typeId() == QMetaType::Bool)
        field->SetAsBoolean(value.toBool());
    else if (value.typeId() == QMetaType::QString)
        field->SetAsString(value.toString().toStdString());
    else
        field->SetAsInteger(value.toInt());
}

void TdxMemData::addObserver(vrx::forms::DataSetObserver* observer) {
    observers_.push_back(observer);
}

void TdxMemData::removeObserver(vrx::forms::DataSetObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// --- Internals ---

const TFieldValue& TdxMemData::CurrentValue(int fieldIndex) const {
    CheckActive();
    const auto index = static_cast<std::size_t>(fieldIndex);
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return editBuffer_.values[index];
    if (current_ < 0)
        return kNullValue;
    return records_[static_cast<std::size_t>(current_)]->values[index];
}

std::int32_t TdxMemData::CurrentRecId() const {
    CheckActive();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return editBuffer_.recId;
    return current_ < 0 ? 0 : records_[static_cast<std::size_t>(current_)]->recId;
}

void TdxMemData::AssignValue(const TField& field, TFieldValue value) {
    CheckActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        throw EDatabaseError("Dataset not in edit or insert mode");
    if (field.Index() == 0)
        throw EDatabaseError("Field '" + field.FieldName() + "' cannot be modified");
    if (field.DataType() == TFieldType::ftMemo)
        value.isNull = false; // a memo has no null flag: its absence is the empty text
    else if (value.isNull)
        value = {};
    editBuffer_.values[static_cast<std::size_t>(field.Index())] = std::move(value);
    modified_ = true;
    Notify(DataChange::FieldValue, field.FieldName());
}

void TdxMemData::CheckActive() const {
    if (!Active())
        throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TdxMemData::CheckBrowseMode() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        return;
    if (modified_)
        Post();
    else
        Cancel();
}

void TdxMemData::DoBeforeScroll() {
    if (BeforeScroll)
        BeforeScroll(*this);
}

void TdxMemData::DoAfterScroll() {
    if (AfterScroll)
        AfterScroll(*this);
}

void TdxMemData::MoveTo(int index) {
    current_ = index;
    Notify(DataChange::Scrolled);
}

void TdxMemData::SetState(DataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    Notify(DataChange::State);
}

void TdxMemData::Notify(DataChange change, const std::string& fieldName) {
    if (disableCount_ > 0)
        return;
    const auto observers = observers_;
    for (vrx::forms::DataSetObserver* observer : observers)
        observer->dataSetChanged(change, fieldName);
}

bool TdxMemData::KeyLess(const TRecord& a, const TRecord& b) const {
    const auto index = static_cast<std::size_t>(sortedFieldIndex_);
    const TFieldValue& x = a.values[index];
    const TFieldValue& y = b.values[index];
    if (fields_[index]->IsText()) {
        // std::string compares its bytes as unsigned values; a null string is the empty text.
        const int order = x.text.compare(y.text);
        if (order != 0)
            return order < 0;
    } else if (x.isNull != y.isNull) {
        return x.isNull;
    } else if (!x.isNull && x.number != y.number) {
        return x.number < y.number;
    }
    return a.recId < b.recId;
}

int TdxMemData::SortedPosition(const TRecord& record) const {
    const auto it =
        std::lower_bound(records_.begin(), records_.end(), record,
                         [this](const std::unique_ptr<TRecord>& existing, const TRecord& key) {
                             return KeyLess(*existing, key);
                         });
    return static_cast<int>(it - records_.begin());
}

void TdxMemData::SortRecords() {
    if (sortedFieldIndex_ < 0)
        return;
    RecordsChanged();
    std::sort(records_.begin(), records_.end(),
              [this](const std::unique_ptr<TRecord>& a, const std::unique_ptr<TRecord>& b) {
                  return KeyLess(*a, *b);
              });
}

int TdxMemData::IndexOfRecId(std::int32_t recId) const {
    for (std::size_t i = 0; i < records_.size(); ++i)
        if (records_[i]->recId == recId)
            return static_cast<int>(i);
    return -1;
}
