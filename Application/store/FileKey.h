#pragma once

/// The key text of the encrypted data files: the rule files and the configuration file.
inline constexpr char kFileKeyText[] = "MOLDRA";
