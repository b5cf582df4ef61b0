#include "Application/policy/MemIniFile.h"

#include <charconv>

namespace {

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

void TMemIniFile::SetText(std::string_view text) {
    FSections.clear();
    FIndex.clear();
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        const std::size_t lineEnd = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = Trim(text.substr(pos, lineEnd - pos));
        pos = lineEnd;
        if (pos < text.size())
            pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;

        if (line.empty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &AddSection(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trim(line.substr(0, equals));
        if (key.empty())
            continue;
        if (current->index.emplace(Folded(key), current->entries.size()).second)
            current->entries.push_back(
                Entry{std::string(key), std::string(Trim(line.substr(equals + 1)))});
    }
}

std::string TMemIniFile::Text() const {
    std::string text;
    for (std::size_t i = 0; i < FSections.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += "[" + FSections[i].name + "]\r\n";
        for (const Entry& entry : FSections[i].entries)
            text += entry.key + "=" + entry.value + "\r\n";
    }
    return text;
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
    const auto found = FIndex.find(Folded(name));
    return found == FIndex.end() ? nullptr : &FSections[found->second];
}

TMemIniFile::Section& TMemIniFile::AddSection(std::string_view name) {
    const auto [found, added] = FIndex.emplace(Folded(name), FSections.size());
    if (added)
        FSections.push_back(Section{std::string(name), {}, {}});
    return FSections[found->second];
}

const TMemIniFile::Entry* TMemIniFile::FindEntry(std::string_view section,
                                                 std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr)
        return nullptr;
    const auto entry = found->index.find(Folded(key));
    return entry == found->index.end() ? nullptr : &found->entries[entry->second];
}

void TMemIniFile::Reindex() {
    FIndex.clear();
    for (std::size_t i = 0; i < FSections.size(); ++i)
        FIndex.emplace(Folded(FSections[i].name), i);
}

bool TMemIniFile::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

std::vector<std::string> TMemIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section))
        for (const Entry& entry : found->entries)
            keys.push_back(entry.key);
    return keys;
}

void TMemIniFile::EraseSection(std::string_view section) {
    const auto found = FIndex.find(Folded(section));
    if (found == FIndex.end())
        return;
    FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(found->second));
    Reindex();
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                    const std::string& defaultValue) const {
    const Entry* entry = FindEntry(section, key);
    return entry != nullptr ? entry->value : defaultValue;
}

std::int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
    const Entry* entry = FindEntry(section, key);
    if (entry == nullptr)
        return defaultValue;
    std::string_view digits = entry->value;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return defaultValue;
    return value;
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    Section& target = AddSection(section);
    const auto [found, added] = target.index.emplace(Folded(key), target.entries.size());
    if (added)
        target.entries.push_back(Entry{std::string(key), std::string(value)});
    else
        target.entries[found->second].value = std::string(value);
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}
