#pragma once

#include <string_view>

namespace vrx::os {

/// Whether a file name matches a search pattern of the platform's kind: '*' stands for any run
/// of characters, '?' for any one character, everything else for itself (no bracket classes,
/// no escapes). The pattern "*.*" matches every name, with or without a dot.
bool matchesWildcard(std::string_view pattern, std::string_view name);

/// Whether a pattern holds '*' or '?'.
bool hasWildcard(std::string_view pattern);

} // namespace vrx::os
