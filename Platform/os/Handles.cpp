#include "Platform/os/Handles.h"

namespace vrx::os {

namespace {
thread_local std::uint32_t tLastError = 0;
}

std::uint32_t lastError() {
    return tLastError;
}

void setLastError(std::uint32_t code) {
    tLastError = code;
}

HandleTable& HandleTable::instance() {
    static HandleTable table;
    return table;
}

Handle HandleTable::insert(std::shared_ptr<HandleObject> object) {
    std::lock_guard guard(lock_);
    // Handles step by four, as the platform's do; the invalid value is never reached in a run.
    const Handle handle = next_;
    next_ += 4;
    objects_.emplace(handle, std::move(object));
    return handle;
}

bool HandleTable::close(Handle handle) {
    std::shared_ptr<HandleObject> released;
    {
        std::lock_guard guard(lock_);
        const auto it = objects_.find(handle);
        if (it == objects_.end()) {
            setLastError(error::kInvalidHandle);
            return false;
        }
        released = std::move(it->second);
        objects_.erase(it);
    }
    // The object is destroyed here, outside the table's lock, so its destructor may use handles.
    return true;
}

std::size_t HandleTable::size() const {
    std::lock_guard guard(lock_);
    return objects_.size();
}

std::shared_ptr<HandleObject> HandleTable::find(Handle handle) const {
    std::lock_guard guard(lock_);
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second;
}

bool closeHandle(Handle handle) {
    return HandleTable::instance().close(handle);
}

} // namespace vrx::os
