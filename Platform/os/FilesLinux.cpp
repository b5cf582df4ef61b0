#include "Platform/os/Files.h"

#include "Platform/os/Wildcard.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace vrx::os {

namespace {

inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

/// Seconds between 1601-01-01 and 1970-01-01, the origins of file times and Unix times.
inline constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11'644'473'600;

FileTime toFileTime(const statx_timestamp& time) {
    const std::int64_t ticks =
        (time.tv_sec + kUnixEpochInFileTimeSeconds) * 10'000'000 + time.tv_nsec / 100;
    const auto value = static_cast<std::uint64_t>(std::max<std::int64_t>(ticks, 0));
    return {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}

/// Fills data from the file at path; false (errno set) when it cannot be examined.
bool describe(const std::string& path, const std::string& name, FindData& data) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
                &info) != 0)
        return false;
    data = FindData{};
    if (S_ISDIR(info.stx_mode))
        data.dwFileAttributes |= kAttributeDirectory;
    if ((info.stx_mode & S_IWUSR) == 0)
        data.dwFileAttributes |= kAttributeReadOnly;
    if (!name.empty() && name[0] == '.')
        data.dwFileAttributes |= kAttributeHidden;
    if (data.dwFileAttributes == 0)
        data.dwFileAttributes = kAttributeNormal;
    // Not every file system keeps a birth time; the modification time is the closest stand-in.
    // Some (layered container file systems) report a birth time of exactly the Unix epoch for
    // files whose birth they do not know: that is no birth time either.
    const bool hasBirth = (info.stx_mask & STATX_BTIME) &&
                          (info.stx_btime.tv_sec != 0 || info.stx_btime.tv_nsec != 0);
    data.ftCreationTime = toFileTime(hasBirth ? info.stx_btime : info.stx_mtime);
    data.ftLastAccessTime = toFileTime(info.stx_atime);
    data.ftLastWriteTime = toFileTime(info.stx_mtime);
    data.fileSize = info.stx_size;
    data.fileName = name;
    return true;
}

std::uint32_t errorOf(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return error::kFileNotFound;
    case ENOTDIR:
        return error::kPathNotFound;
    case EACCES:
    case EPERM:
        return error::kAccessDenied;
    default:
        return error::kFileNotFound;
    }
}

/// A search over the names of one folder that matched the pattern, sorted by name.
struct SearchObject : HandleObject {
    std::string folder;
    std::vector<std::string> names;
    std::size_t next = 0;
};

class LinuxFiles final : public Files {
public:
    Handle findFirstFile(const std::string& pattern, FindData& data) override {
        const auto slash = pattern.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : pattern.substr(0, slash);
        const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
        if (last.empty()) {
            setLastError(error::kFileNotFound);
            return kInvalidHandle;
        }
        auto search = std::make_shared<SearchObject>();
        search->folder = folder;
        if (!hasWildcard(last)) {
            search->names.push_back(last);
        } else {
            std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
            if (!dir) {
                setLastError(errno == EACCES ? error::kAccessDenied : error::kPathNotFound);
                return kInvalidHandle;
            }
            while (const dirent* item = ::readdir(dir.get())) {
                const std::string name = item->d_name;
                if (name != "." && name != ".." && matchesWildcard(last, name))
                    search->names.push_back(name);
            }
            std::sort(search->names.begin(), search->names.end());
        }
        if (!advance(*search, data)) {
            // A plain path that is missing reports why (its folder missing: 3); a pattern that
            // matched nothing, 2.
            const int failure = errno;
            std::uint32_t code = error::kFileNotFound;
            if (!hasWildcard(last)) {
                struct stat info {};
                const bool folderExists =
                    ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
                code = folderExists ? errorOf(failure) : error::kPathNotFound;
            }
            setLastError(code);
            return kInvalidHandle;
        }
        return HandleTable::instance().insert(std::move(search));
    }

    bool findNextFile(Handle search, FindData& data) override {
        const auto object = HandleTable::instance().get<SearchObject>(search);
        if (!object) {
            setLastError(error::kInvalidHandle);
            return false;
        }
        if (!advance(*object, data)) {
            setLastError(error::kNoMoreFiles);
            return false;
        }
        return true;
    }

    bool findClose(Handle search) override {
        if (!HandleTable::instance().get<SearchObject>(search)) {
            setLastError(error::kInvalidHandle);
            return false;
        }
        return closeHandle(search);
    }

private:
    /// The next name that can still be examined (a file may vanish between listing and now).
    static bool advance(SearchObject& search, FindData& data) {
        while (search.next < search.names.size()) {
            const std::string& name = search.names[search.next++];
            const std::string path = search.folder == "/" ? "/" + name : search.folder + "/" + name;
            if (describe(path, name, data))
                return true;
        }
        return false;
    }
};

} // namespace

Files& hostFiles() {
    static LinuxFiles files;
    return files;
}

} // namespace vrx::os
