#include "tests/support/FakeServiceManager.h"

#include <QString>

namespace vrx::os {

namespace {

constexpr std::uint32_t kErrorServiceNotActive = 1062;
constexpr std::uint32_t kErrorServiceMarkedForDelete = 1072;

// Service names are compared without regard to case, as the platform does.
std::string keyOf(const std::string& name) {
    return QString::fromStdString(name).toCaseFolded().toStdString();
}

} // namespace

void FakeServiceManager::addService(const std::string& name, const ServiceConfig& config,
                                    bool running) {
    services_[keyOf(name)] = Service{config, running, false};
}

std::vector<FakeServiceManager::Call> FakeServiceManager::callKinds() const {
    std::vector<Call> kinds;
    for (const Record& call : calls_)
        kinds.push_back(call.call);
    return kinds;
}

const FakeServiceManager::Service* FakeServiceManager::service(const std::string& name) const {
    const auto it = services_.find(keyOf(name));
    return it == services_.end() ? nullptr : &it->second;
}

FakeServiceManager::Record& FakeServiceManager::record(Call call, Handle handle) {
    Record entry;
    entry.call = call;
    entry.handle = handle;
    calls_.push_back(entry);
    return calls_.back();
}

FakeServiceManager::Service* FakeServiceManager::serviceOf(Handle handle) {
    const auto it = handles_.find(handle);
    if (it == handles_.end() || it->second.empty())
        return nullptr;
    const auto service = services_.find(it->second);
    return service == services_.end() ? nullptr : &service->second;
}

Handle FakeServiceManager::newHandle(const std::string& serviceKey) {
    const Handle handle = next_++;
    handles_[handle] = serviceKey;
    return handle;
}

bool FakeServiceManager::fail(Record& call, std::uint32_t code) {
    call.succeeded = false;
    setLastError(code);
    return false;
}

Handle FakeServiceManager::openManager(const std::optional<std::string>& machine,
                                       std::uint32_t access) {
    Record& call = record(Call::OpenManager, kInvalidHandle);
    call.machine = machine;
    call.access = access;
    if (openManagerError != 0) {
        fail(call, openManagerError);
        return kInvalidHandle;
    }
    call.succeeded = true;
    call.result = newHandle({});
    return call.result;
}

Handle FakeServiceManager::createService(Handle manager, const std::string& name,
                                         std::uint32_t access, const ServiceConfig& config) {
    Record& call = record(Call::CreateService, manager);
    call.name = name;
    call.access = access;
    call.config = config;
    const auto managerEntry = handles_.find(manager);
    if (managerEntry == handles_.end() || !managerEntry->second.empty()) {
        fail(call, error::kInvalidHandle);
        return kInvalidHandle;
    }
    const std::string key = keyOf(name);
    const auto existing = services_.find(key);
    if (existing != services_.end() && !existing->second.deleted) {
        fail(call, error::kServiceExists);
        return kInvalidHandle;
    }
    services_[key] = Service{config, false, false};
    call.succeeded = true;
    call.result = newHandle(key);
    return call.result;
}

Handle FakeServiceManager::openService(Handle manager, const std::string& name,
                                       std::uint32_t access) {
    Record& call = record(Call::OpenService, manager);
    call.name = name;
    call.access = access;
    const auto managerEntry = handles_.find(manager);
    if (managerEntry == handles_.end() || !managerEntry->second.empty()) {
        fail(call, error::kInvalidHandle);
        return kInvalidHandle;
    }
    const std::string key = keyOf(name);
    const auto existing = services_.find(key);
    if (existing == services_.end() || existing->second.deleted) {
        fail(call, error::kServiceDoesNotExist);
        return kInvalidHandle;
    }
    call.succeeded = true;
    call.result = newHandle(key);
    return call.result;
}

bool FakeServiceManager::changeServiceConfig(Handle handle, const ServiceConfig& config) {
    Record& call = record(Call::ChangeServiceConfig, handle);
    call.config = config;
    Service* service = serviceOf(handle);
    if (!service)
        return fail(call, error::kInvalidHandle);
    service->config = config;
    return call.succeeded = true;
}

bool FakeServiceManager::startService(Handle handle) {
    Record& call = record(Call::StartService, handle);
    Service* service = serviceOf(handle);
    if (!service)
        return fail(call, error::kInvalidHandle);
    if (service->running)
        return fail(call, error::kServiceAlreadyRunning);
    if (startError != 0)
        return fail(call, startError);
    service->running = true;
    return call.succeeded = true;
}

bool FakeServiceManager::controlService(Handle handle, std::uint32_t control) {
    Record& call = record(Call::ControlService, handle);
    call.control = control;
    Service* service = serviceOf(handle);
    if (!service)
        return fail(call, error::kInvalidHandle);
    if (control != kServiceControlStop)
        return fail(call, error::kInvalidParameter);
    if (!service->running)
        return fail(call, kErrorServiceNotActive);
    service->running = false;
    return call.succeeded = true;
}

bool FakeServiceManager::deleteService(Handle handle) {
    Record& call = record(Call::DeleteService, handle);
    Service* service = serviceOf(handle);
    if (!service)
        return fail(call, error::kInvalidHandle);
    if (service->deleted)
        return fail(call, kErrorServiceMarkedForDelete);
    service->deleted = true;
    return call.succeeded = true;
}

bool FakeServiceManager::closeServiceHandle(Handle handle) {
    Record& call = record(Call::CloseServiceHandle, handle);
    if (handles_.erase(handle) == 0)
        return fail(call, error::kInvalidHandle);
    return call.succeeded = true;
}

} // namespace vrx::os
