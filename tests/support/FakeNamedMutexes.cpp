#include "tests/support/FakeNamedMutexes.h"

namespace vrx::test {

namespace {
struct FakeMutex final : os::HandleObject {};
} // namespace

os::Handle FakeNamedMutexes::createMutex(bool initialOwner, const std::string& name) {
    ++calls;
    lastName = name;
    lastInitialOwner = initialOwner;
    if (failWith != 0) {
        os::setLastError(failWith);
        return os::kInvalidHandle;
    }
    std::shared_ptr<os::HandleObject> object = open_[name].lock();
    const bool exists = object != nullptr || takenElsewhere[name];
    if (!object) {
        object = std::make_shared<FakeMutex>();
        open_[name] = object;
    }
    // Every handle shares the one object, so the name is free once the last handle closes.
    const os::Handle handle = os::HandleTable::instance().insert(object);
    os::setLastError(exists ? os::error::kAlreadyExists : os::error::kSuccess);
    return handle;
}

bool FakeNamedMutexes::isOpen(const std::string& name) const {
    const auto found = open_.find(name);
    return found != open_.end() && !found->second.expired();
}

} // namespace vrx::test
