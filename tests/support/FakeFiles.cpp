#include "tests/support/FakeFiles.h"

#include "Platform/os/Wildcard.h"

#include <chrono>
#include <memory>

namespace vrx::test {

using namespace vrx::os;

namespace {

struct FakeSearchObject : HandleObject {
    std::vector<FindData> matches;
    std::size_t next = 0;
};

std::pair<std::string, std::string> splitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {"", path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

FileTime FakeFiles::fileTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                             unsigned second) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} /
                        std::chrono::day{day}};
    const auto sinceOrigin = date - sys_days(std::chrono::year{1601} / January / 1);
    const std::uint64_t seconds = static_cast<std::uint64_t>(sinceOrigin.count()) * 86'400 +
                                  hour * 3600ull + minute * 60ull + second;
    const std::uint64_t ticks = seconds * 10'000'000;
    return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}

void FakeFiles::addFile(const std::string& path, FileTime creationTime, std::uint64_t size) {
    FindData data;
    data.dwFileAttributes = 0x80;
    data.ftCreationTime = creationTime;
    data.ftLastAccessTime = creationTime;
    data.ftLastWriteTime = creationTime;
    data.fileSize = size;
    data.fileName = splitPath(path).second;
    files_[path] = data;
}

void FakeFiles::removeFile(const std::string& path) {
    files_.erase(path);
}

Handle FakeFiles::findFirstFile(const std::string& pattern, FindData& data) {
    searches.push_back(pattern);
    const auto [folder, last] = splitPath(pattern);
    auto search = std::make_shared<FakeSearchObject>();
    for (const auto& [path, file] : files_) {
        const auto [fileFolder, name] = splitPath(path);
        if (fileFolder == folder && matchesWildcard(last, name))
            search->matches.push_back(file);
    }
    if (search->matches.empty()) {
        setLastError(error::kFileNotFound);
        return kInvalidHandle;
    }
    data = search->matches[search->next++];
    ++openSearches_;
    return HandleTable::instance().insert(std::move(search));
}

bool FakeFiles::findNextFile(Handle search, FindData& data) {
    const auto object = HandleTable::instance().get<FakeSearchObject>(search);
    if (!object) {
        setLastError(error::kInvalidHandle);
        return false;
    }
    if (object->next >= object->matches.size()) {
        setLastError(error::kNoMoreFiles);
        return false;
    }
    data = object->matches[object->next++];
    return true;
}

bool FakeFiles::findClose(Handle search) {
    if (!HandleTable::instance().get<FakeSearchObject>(search)) {
        setLastError(error::kInvalidHandle);
        return false;
    }
    --openSearches_;
    return closeHandle(search);
}

} // namespace vrx::test
