#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <string>

namespace vrx::os {

/// Predefined registry roots, with the platform's values.
inline constexpr Handle kHkeyCurrentUser = 0x80000001u;
inline constexpr Handle kHkeyLocalMachine = 0x80000002u;

/// Access rights for opening a key.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

/// Value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

/// A registry value's data and type.
struct RegistryValue {
    std::uint32_t type = kRegSz;
    std::string data; // a string value's text, or a DWORD's four little-endian bytes
};

/// The registry. Every call returns a status with the platform's numbers: 0 success, 2 not
/// found, 5 access denied, 6 invalid handle.
///
/// On the Linux host the key "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" (below either
/// root) is the user's XDG autostart folder: each value is a desktop entry that starts the
/// command named by the value's data. Every other key reads as absent.
class Registry {
public:
    virtual ~Registry() = default;

    /// Opens an existing key (never creates it).
    virtual std::int32_t openKey(Handle root, const std::string& subKey, std::uint32_t access,
                                 Handle& key) = 0;
    virtual std::int32_t queryValue(Handle key, const std::string& name, RegistryValue& value) = 0;
    virtual std::int32_t setValue(Handle key, const std::string& name,
                                  const RegistryValue& value) = 0;
    virtual std::int32_t deleteValue(Handle key, const std::string& name) = 0;
    virtual std::int32_t closeKey(Handle key) = 0;
};

/// The Linux host's implementation (its file: RegistryLinux.cpp).
Registry& hostRegistry();

} // namespace vrx::os
