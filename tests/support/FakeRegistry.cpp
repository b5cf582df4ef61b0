#include "tests/support/FakeRegistry.h"

#include <QString>

namespace vrx::os {

namespace {

// The rights that change a key: set value, create subkey, delete, write DAC, write owner.
constexpr std::uint32_t kWritingRights = 0x0002 | 0x0004 | 0x10000 | 0x40000 | 0x80000;

std::string folded(const std::string& text) {
    return QString::fromStdString(text).toCaseFolded().toStdString();
}

} // namespace

RegistryValue FakeRegistry::dword(std::uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return RegistryValue{kRegDword, data};
}

RegistryValue FakeRegistry::text(const std::string& value) {
    return RegistryValue{kRegSz, value};
}

std::string FakeRegistry::pathOf(Handle root, const std::string& subKey) {
    return std::to_string(root) + "\\" + folded(subKey);
}

void FakeRegistry::addKey(Handle root, const std::string& subKey) {
    keys_[pathOf(root, subKey)];
}

void FakeRegistry::putValue(Handle root, const std::string& subKey, const std::string& name,
                            const RegistryValue& value) {
    keys_[pathOf(root, subKey)].values[folded(name)] = {name, value};
}

std::optional<RegistryValue> FakeRegistry::value(Handle root, const std::string& subKey,
                                                 const std::string& name) const {
    const auto key = keys_.find(pathOf(root, subKey));
    if (key == keys_.end())
        return std::nullopt;
    const auto value = key->second.values.find(folded(name));
    if (value == key->second.values.end())
        return std::nullopt;
    return value->second.second;
}

bool FakeRegistry::hasKey(Handle root, const std::string& subKey) const {
    return keys_.contains(pathOf(root, subKey));
}

void FakeRegistry::refuseWriting(Handle root, const std::string& subKey) {
    keys_[pathOf(root, subKey)].refusesWriting = true;
}

std::int32_t FakeRegistry::openKey(Handle root, const std::string& subKey, std::uint32_t access,
                                   Handle& key) {
    key = kInvalidHandle;
    if (root < 0x80000000u || root > 0x80000006u)
        return error::kInvalidHandle;
    const std::string path = pathOf(root, subKey);
    const auto found = keys_.find(path);
    if (found == keys_.end())
        return error::kFileNotFound;
    if (found->second.refusesWriting && (access & kWritingRights) != 0)
        return error::kAccessDenied;
    key = next_++;
    open_[key] = OpenKey{path, access};
    return error::kSuccess;
}

FakeRegistry::Key* FakeRegistry::keyOf(Handle handle, std::uint32_t neededAccess,
                                       std::int32_t& status) {
    const auto open = open_.find(handle);
    if (open == open_.end()) {
        status = error::kInvalidHandle;
        return nullptr;
    }
    if ((open->second.access & neededAccess) == 0) {
        status = error::kAccessDenied;
        return nullptr;
    }
    status = error::kSuccess;
    return &keys_[open->second.path];
}

std::int32_t FakeRegistry::queryValue(Handle handle, const std::string& name,
                                      RegistryValue& value) {
    std::int32_t status = 0;
    Key* key = keyOf(handle, kKeyQueryValue, status);
    if (!key)
        return status;
    const auto found = key->values.find(folded(name));
    if (found == key->values.end())
        return error::kFileNotFound;
    value = found->second.second;
    return error::kSuccess;
}

std::int32_t FakeRegistry::setValue(Handle handle, const std::string& name,
                                    const RegistryValue& value) {
    std::int32_t status = 0;
    Key* key = keyOf(handle, kKeySetValue, status);
    if (!key)
        return status;
    key->values[folded(name)] = {name, value};
    return error::kSuccess;
}

std::int32_t FakeRegistry::deleteValue(Handle handle, const std::string& name) {
    std::int32_t status = 0;
    Key* key = keyOf(handle, kKeySetValue, status);
    if (!key)
        return status;
    return key->values.erase(folded(name)) ? error::kSuccess : error::kFileNotFound;
}

std::int32_t FakeRegistry::closeKey(Handle handle) {
    return open_.erase(handle) ? error::kSuccess : error::kInvalidHandle;
}

} // namespace vrx::os
