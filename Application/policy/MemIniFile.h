#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// INI text held in memory: sections of "key=value" lines, in the order in which they were read
/// or written. Section and key names are matched without regard to the case of the letters a
/// to z; a name is kept in the spelling in which it first appeared.
///
/// Reading is lenient, since the text may come from a damaged file: lines end in CR LF, CR or
/// LF; blanks around names and values are dropped; empty lines, lines starting with ';', lines
/// before the first section and lines without '=' or without a name are skipped; a section that
/// appears again continues the first one; of a repeated key the first value counts. Nothing in
/// the text can make reading fail.
class TMemIniFile {
public:
    TMemIniFile() = default;
    explicit TMemIniFile(std::string_view text) { SetText(text); }

    /// Replaces the content by the parsed text.
    void SetText(std::string_view text);
    /// The content as text: each section as "[name]" and its "key=value" lines, a blank line
    /// between sections, every line ending in CR LF.
    std::string Text() const;

    bool SectionExists(std::string_view section) const;
    /// The key names of the section in their order; empty when there is no such section.
    std::vector<std::string> ReadSection(std::string_view section) const;
    void EraseSection(std::string_view section);

    /// The value, or the default when the section or the key is absent.
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    /// The value as a signed 32-bit decimal number (blanks and a sign allowed), or the default
    /// when it is absent or is not such a number.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    /// True for any non-zero number; the default when the value is absent or not a number.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    /// Sets the value, adding the section and the key at the end when they are new. A value is
    /// one line: callers never pass line breaks.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    /// Writes "1" or "0".
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    // Names are looked up by their folded (upper-case) form, so that a text of many thousand
    // lines, as a damaged file may hold, is read in linear time.
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> index; // folded key -> entry
    };

    const Section* FindSection(std::string_view name) const;
    Section& AddSection(std::string_view name);
    const Entry* FindEntry(std::string_view section, std::string_view key) const;
    void Reindex();

    std::vector<Section> FSections;
    std::unordered_map<std::string, std::size_t> FIndex; // folded section name -> section
};
