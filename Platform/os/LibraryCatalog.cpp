#include "Platform/os/LibraryCatalog.h"

#include <algorithm>
#include <cctype>

namespace vrx::os {

namespace {

/// A loaded library as the handle table holds it: which library the handle names. The entry
/// points are looked up in the catalog at every query, so a test that removes one later sees
/// the change.
class LoadedLibrary final : public HandleObject {
public:
    explicit LoadedLibrary(std::string name) : name(std::move(name)) {}
    const std::string name;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

} // namespace

void LibraryCatalog::addLibrary(const std::string& fileName, Residence residence,
                                std::set<std::string> entryPoints) {
    std::lock_guard guard(lock_);
    libraries_[lower(fileName)] = Library{residence, std::move(entryPoints)};
}

void LibraryCatalog::removeLibrary(const std::string& fileName) {
    std::lock_guard guard(lock_);
    libraries_.erase(lower(fileName));
}

void LibraryCatalog::addEntryPoint(const std::string& fileName, const std::string& entryPoint) {
    std::lock_guard guard(lock_);
    const auto found = libraries_.find(lower(fileName));
    if (found != libraries_.end())
        found->second.entryPoints.insert(entryPoint);
}

void LibraryCatalog::removeEntryPoint(const std::string& fileName, const std::string& entryPoint) {
    std::lock_guard guard(lock_);
    const auto found = libraries_.find(lower(fileName));
    if (found != libraries_.end())
        found->second.entryPoints.erase(entryPoint);
}

Handle LibraryCatalog::load(const std::string& path, const std::string& systemDirectory) {
    const std::size_t cut = path.find_last_of("/\\");
    const std::string name = lower(cut == std::string::npos ? path : path.substr(cut + 1));
    const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut);
    const bool inSystemFolder =
        cut == std::string::npos ||
        withoutTrailingSeparators(folder) == withoutTrailingSeparators(systemDirectory);
    std::lock_guard guard(lock_);
    if (!inSystemFolder || !libraries_.contains(name)) {
        setLastError(error::kModuleNotFound);
        return kInvalidHandle;
    }
    const Handle handle = HandleTable::instance().insert(std::make_shared<LoadedLibrary>(name));
    loads_.insert(handle);
    return handle;
}

Handle LibraryCatalog::module(const std::string& name) {
    const std::string key = lower(name);
    std::lock_guard guard(lock_);
    const auto found = libraries_.find(key);
    if (found == libraries_.end() || found->second.residence != Residence::AlwaysLoaded) {
        setLastError(error::kModuleNotFound);
        return kInvalidHandle;
    }
    const auto known = modules_.find(key);
    if (known != modules_.end() && HandleTable::instance().get<LoadedLibrary>(known->second))
        return known->second;
    const Handle handle = HandleTable::instance().insert(std::make_shared<LoadedLibrary>(key));
    modules_[key] = handle;
    return handle;
}

bool LibraryCatalog::hasEntryPoint(Handle library, const std::string& entryPoint) {
    const auto loaded = HandleTable::instance().get<LoadedLibrary>(library);
    if (!loaded) {
        setLastError(error::kInvalidHandle);
        return false;
    }
    std::lock_guard guard(lock_);
    const auto found = libraries_.find(loaded->name);
    if (found == libraries_.end() || !found->second.entryPoints.contains(entryPoint)) {
        setLastError(error::kProcNotFound);
        return false;
    }
    return true;
}

bool LibraryCatalog::free(Handle library) {
    if (!HandleTable::instance().get<LoadedLibrary>(library)) {
        setLastError(error::kInvalidHandle);
        return false;
    }
    std::lock_guard guard(lock_);
    if (loads_.erase(library) == 0)
        return true; // an always-loaded module stays loaded
    return HandleTable::instance().close(library);
}

std::size_t LibraryCatalog::openLoads() const {
    std::lock_guard guard(lock_);
    return loads_.size();
}

} // namespace vrx::os
