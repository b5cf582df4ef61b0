#include "Application/store/Field.h"

#include "Application/store/AsciiCase.h"
#include "Application/store/DatabaseError.h"
#include "Application/store/FileText.h"
#include "Application/store/MemData.h"

#include <charconv>
#include <limits>

namespace {

std::int32_t ParseInteger(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    std::int32_t value = 0;
    if (begin != std::string::npos) {
        const char* first = text.data() + begin;
        const char* last = text.data() + end + 1;
        if (*first == '+')
            ++first;
        const auto result = std::from_chars(first, last, value);
        if (result.ec == std::errc() && result.ptr == last && first != last)
            return value;
    }
    throw EDatabaseError("'" + text + "' is not a valid integer value");
}

bool ParseBoolean(const std::string& text) {
    for (const char* word : {"True", "T", "Yes", "Y", "1"})
        if (EqualsIgnoringAsciiCase(text, word))
            return true;
    for (const char* word : {"False", "F", "No", "N", "0"})
        if (EqualsIgnoringAsciiCase(text, word))
            return false;
    throw EDatabaseError("'" + text + "' is not a valid boolean value");
}

} // namespace

int TField::StoredWidth() const {
    switch (type_) {
    case TFieldType::ftString:
        return size_ + 1;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        return 4;
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean:
        return 2;
    default:
        return 0;
    }
}

bool TField::IsNumeric() const {
    switch (type_) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean:
    case TFieldType::ftAutoInc:
        return true;
    default:
        return false;
    }
}

bool TField::IsNull() const {
    if (index_ == 0)
        return table_.CurrentRecId() == 0;
    const TFieldValue& value = table_.CurrentValue(index_);
    if (type_ == TFieldType::ftMemo)
        return value.text.empty();
    return value.isNull;
}

std::string TField::AsString() const {
    if (index_ == 0) {
        const std::int32_t recId = table_.CurrentRecId();
        return recId == 0 ? std::string() : std::to_string(recId);
    }
    const TFieldValue& value = table_.CurrentValue(index_);
    if (IsText())
        return value.text;
    if (value.isNull)
        return {};
    if (type_ == TFieldType::ftBoolean)
        return value.number != 0 ? "True" : "False";
    return std::to_string(value.number);
}

std::int32_t TField::AsInteger() const {
    if (index_ == 0)
        return table_.CurrentRecId();
    const TFieldValue& value = table_.CurrentValue(index_);
    if (IsText())
        return value.text.empty() ? 0 : ParseInteger(value.text);
    return value.isNull ? 0 : value.number;
}

bool TField::AsBoolean() const {
    if (IsText()) {
        const std::string text = AsString();
        return text.empty() ? false : ParseBoolean(text);
    }
    return AsInteger() != 0;
}

void TField::SetAsString(const std::string& value) {
    switch (type_) {
    case TFieldType::ftString: {
        // A stored string ends at its first zero byte, and holds at most Size() encoded bytes.
        const std::string_view text(
            value.data(), value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
        table_.AssignValue(*this,
                           {false, 0, CutToFileTextSize(text, static_cast<std::size_t>(size_))});
        return;
    }
    case TFieldType::ftMemo:
        table_.AssignValue(*this, {false, 0, value});
        return;
    case TFieldType::ftBoolean:
        if (value.empty())
            Clear();
        else
            SetAsBoolean(ParseBoolean(value));
        return;
    default:
        if (value.empty())
            Clear();
        else
            SetAsInteger(ParseInteger(value));
        return;
    }
}

void TField::SetAsInteger(std::int32_t value) {
    auto checkRange = [&](std::int32_t low, std::int32_t high) {
        if (value < low || value > high)
            throw EDatabaseError(std::to_string(value) + " is not a valid value for field '" +
                                 name_ + "'. The allowed range is " + std::to_string(low) + " to " +
                                 std::to_string(high));
    };
    switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
        SetAsString(std::to_string(value));
        return;
    case TFieldType::ftWord:
        checkRange(0, std::numeric_limits<std::uint16_t>::max());
        break;
    case TFieldType::ftSmallint:
        checkRange(std::numeric_limits<std::int16_t>::min(),
                   std::numeric_limits<std::int16_t>::max());
        break;
    case TFieldType::ftBoolean:
        value = value != 0 ? 1 : 0;
        break;
    default:
        break;
    }
    table_.AssignValue(*this, {false, value, {}});
}

void TField::SetAsBoolean(bool value) {
    if (IsText())
        SetAsString(value ? "True" : "False");
    else
        SetAsInteger(value ? 1 : 0);
}

void TField::Clear() {
    table_.AssignValue(*this, {});
}
