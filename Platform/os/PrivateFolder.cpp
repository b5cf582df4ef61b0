#include "Platform/os/PrivateFolder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vrx::os {

bool isPrivateFolder(const std::string& path) {
    struct stat info {};
    // lstat, so that a link planted in place of the folder is refused rather than followed.
    if (path.empty() || path.front() != '/' || ::lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::optional<std::string> privateSubfolder(const std::string& parent, const std::string& name) {
    const std::string path = parent + "/" + name;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    if (!isPrivateFolder(path))
        return std::nullopt;
    return path;
}

} // namespace vrx::os
