#include "tests/support/FakeIcons.h"

#include "Platform/os/Handles.h"

namespace vrx::test {

void FakeIcons::addIcon(const std::string& path, os::IconImage icon) {
    icons_[path].push_back(std::make_shared<const os::IconImage>(std::move(icon)));
}

void FakeIcons::removeFile(const std::string& path) {
    icons_.erase(path);
}

std::shared_ptr<const os::IconImage> FakeIcons::extractIcon(const std::string& path,
                                                            std::uint32_t index) {
    requests_.push_back({path, index});
    const auto it = icons_.find(path);
    if (it == icons_.end()) {
        os::setLastError(os::error::kFileNotFound);
        return nullptr;
    }
    return index < it->second.size() ? it->second[index] : nullptr;
}

} // namespace vrx::test
