#pragma once

#include "Platform/os/Registry.h"

#include <map>
#include <optional>
#include <set>

namespace vrx::os {

/// A registry in memory: a tree of keys below the predefined roots, with values, that a test
/// fills beforehand (e.g. the Tcpip service's "Tag" and "Start" below
/// SYSTEM\CurrentControlSet\Services\Tcpip) and reads afterwards. Key paths and value names
/// are compared without regard to case, as the platform does. A key can refuse opening for
/// writing (5), as the machine-wide keys do for a user without the right.
class FakeRegistry final : public Registry {
public:
    static RegistryValue dword(std::uint32_t value);
    static RegistryValue text(const std::string& value);

    /// Creates the key (without values) if it is not there.
    void addKey(Handle root, const std::string& subKey);
    /// Creates the key if needed and sets the value.
    void putValue(Handle root, const std::string& subKey, const std::string& name,
                  const RegistryValue& value);
    /// The value as it stands now; empty when the key or the value is missing.
    std::optional<RegistryValue> value(Handle root, const std::string& subKey,
                                       const std::string& name) const;
    bool hasKey(Handle root, const std::string& subKey) const;
    /// Opening the key with any right to change it fails with 5 from now on.
    void refuseWriting(Handle root, const std::string& subKey);

    /// Keys opened and not closed yet.
    std::size_t openKeys() const { return open_.size(); }

    std::int32_t openKey(Handle root, const std::string& subKey, std::uint32_t access,
                         Handle& key) override;
    std::int32_t queryValue(Handle key, const std::string& name, RegistryValue& value) override;
    std::int32_t setValue(Handle key, const std::string& name, const RegistryValue& value) override;
    std::int32_t deleteValue(Handle key, const std::string& name) override;
    std::int32_t closeKey(Handle key) override;

private:
    struct Key {
        std::map<std::string, std::pair<std::string, RegistryValue>> values; // by folded name
        bool refusesWriting = false;
    };
    struct OpenKey {
        std::string path;
        std::uint32_t access = 0;
    };

    static std::string pathOf(Handle root, const std::string& subKey);
    Key* keyOf(Handle handle, std::uint32_t neededAccess, std::int32_t& status);

    std::map<std::string, Key> keys_;
    std::map<Handle, OpenKey> open_;
    Handle next_ = 0x00A00001u;
};

} // namespace vrx::os
