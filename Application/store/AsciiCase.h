#pragma once

#include <string>
#include <string_view>

/// Whether two texts are equal when the letters a to z are taken as A to Z; every other byte
/// must be equal (so the bytes of non-ASCII characters are never folded).
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x == y)
            continue;
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

/// The text with the letters a to z turned into A to Z and every other byte kept: the form under
/// which EqualsIgnoringAsciiCase takes two texts as equal.
inline std::string AsciiUpper(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}
