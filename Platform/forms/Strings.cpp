#include "Platform/forms/Strings.h"

namespace vrx::forms {

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& text) {
    BeginUpdate();
    Clear();
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            Add(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        Add(line);
    EndUpdate();
}

int TStrings::IndexOf(const std::string& line) const {
    for (int i = 0; i < Count(); ++i)
        if (Get(i) == line)
            return i;
    return -1;
}

void TStrings::Assign(const std::vector<std::string>& lines) {
    BeginUpdate();
    Clear();
    for (const std::string& line : lines)
        Add(line);
    EndUpdate();
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Count(); ++i)
        lines.push_back(Get(i));
    return lines;
}

void TStringList::Add(const std::string& line) {
    lines_.push_back(line);
    changed();
}

void TStringList::Delete(int index) {
    lines_.erase(lines_.begin() + index);
    changed();
}

void TStringList::Clear() {
    lines_.clear();
    changed();
}

void TStringList::SetText(const std::string& text) {
    BeginUpdate();
    TStrings::SetText(text);
    EndUpdate();
}

void TStringList::EndUpdate() {
    if (--updating_ == 0 && pending_) {
        pending_ = false;
        changed();
    }
}

void TStringList::changed() {
    if (updating_ > 0) {
        pending_ = true;
        return;
    }
    if (OnChange)
        OnChange();
}

} // namespace vrx::forms
