#include "Application/store/TableText.h"

#include "Application/store/FileStream.h"
#include "Application/store/FileText.h"
#include "Application/store/MemData.h"

#include <vector>

namespace TableText {
namespace {

// Splits the text into lines at CR LF, CR or LF; a terminator at the very end starts no
// further line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        values.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return values;
        start = tab + 1;
    }
}

// The first `count` characters of a UTF-8 text.
std::string_view FirstCharacters(std::string_view utf8, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && characters++ == count)
            return utf8.substr(0, i);
    }
    return utf8;
}

void AppendRecords(TdxMemData& table, const std::vector<std::string_view>& lines) {
    std::vector<TField*> columns;
    for (std::string_view name : SplitTabs(lines.front())) {
        TField* field = table.FindField(std::string(name));
        const bool usable = field && field->Index() > 0 &&
                            field->FieldKind() == TFieldKind::fkData &&
                            field->DataType() != TFieldType::ftMemo;
        columns.push_back(usable ? field : nullptr);
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        table.Append();
        const std::vector<std::string_view> values = SplitTabs(lines[i]);
        for (std::size_t column = 0; column < values.size() && column < columns.size(); ++column) {
            const std::string_view value = FirstCharacters(values[column], kMaxValueLength);
            if (columns[column] && !value.empty())
                columns[column]->SetAsString(std::string(value));
        }
        table.Post();
    }
}

} // namespace

void LoadFromTextFile(TdxMemData& table, const std::string& path) {
    TFileStream file(path, TFileMode::OpenRead);
    std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    Load(table, bytes);
}

void Load(TdxMemData& table, std::string_view encoded) {
    if (encoded.empty())
        return;
    const std::string text = DecodeFileText(encoded);
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty())
        return;

    // The records are posted one by one into the sorted table, so they stand in order already;
    // whether the load ends normally or at a conversion error, the pending record is dropped, the
    // cursor goes to the first record and the bound controls see the result once.
    table.DisableControls();
    table.Close();
    table.Open();
    try {
        AppendRecords(table, lines);
    } catch (...) {
        table.Cancel();
        table.First();
        table.EnableControls();
        throw;
    }
    table.First();
    table.EnableControls();
}

} // namespace TableText
