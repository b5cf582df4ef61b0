#include "Platform/os/DeviceIo.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace vrx::os {

namespace {

std::string foldCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct DeviceRegistry {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<DeviceBackend>> backends;

    static DeviceRegistry& instance() {
        static DeviceRegistry registry;
        return registry;
    }

    std::shared_ptr<DeviceBackend> find(const std::string& path) {
        std::lock_guard guard(lock);
        const auto it = backends.find(foldCase(path));
        return it == backends.end() ? nullptr : it->second;
    }
};

class OpenDevice final : public HandleObject {
public:
    explicit OpenDevice(std::unique_ptr<DeviceConnection> connection)
        : connection_(std::move(connection)) {}
    DeviceConnection& connection() { return *connection_; }

private:
    std::unique_ptr<DeviceConnection> connection_;
};

} // namespace

void registerDevice(const std::string& path, std::shared_ptr<DeviceBackend> backend) {
    auto& registry = DeviceRegistry::instance();
    std::lock_guard guard(registry.lock);
    registry.backends[foldCase(path)] = std::move(backend);
}

void unregisterDevice(const std::string& path) {
    auto& registry = DeviceRegistry::instance();
    std::lock_guard guard(registry.lock);
    registry.backends.erase(foldCase(path));
}

Handle createFile(const std::string& path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t /*creation*/, std::uint32_t flags) {
    const auto backend = DeviceRegistry::instance().find(path);
    if (!backend) {
        setLastError(error::kFileNotFound);
        return kInvalidHandle;
    }
    auto connection = backend->open(access, share, flags);
    if (!connection)
        return kInvalidHandle;
    return HandleTable::instance().insert(std::make_shared<OpenDevice>(std::move(connection)));
}

bool deviceIoControl(Handle device, std::uint32_t code, const void* in, std::uint32_t inLength,
                     void* out, std::uint32_t outLength, std::uint32_t* bytesReturned) {
    // The table's reference keeps the device alive while the call runs, even if another
    // thread closes the handle meanwhile.
    const auto open = HandleTable::instance().get<OpenDevice>(device);
    if (!open) {
        setLastError(error::kInvalidHandle);
        return false;
    }
    std::uint32_t returned = 0;
    const bool ok = open->connection().control(code, in, inLength, out, outLength, returned);
    if (bytesReturned)
        *bytesReturned = returned;
    return ok;
}

} // namespace vrx::os
