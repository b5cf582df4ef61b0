#include "Platform/os/Wildcard.h"

namespace vrx::os {

bool hasWildcard(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

bool matchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*")
        pattern = "*";
    // Greedy matching with one back-track point: the last '*' seen and where it began to match.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace vrx::os
