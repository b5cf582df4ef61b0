#include "Platform/os/RuntimeFolder.h"

#include <QDir>

#include <cerrno>
#include <cstdlib>
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

std::optional<std::string> userRuntimeFolder(const char* xdgRuntimeDir,
                                             const std::string& fallbackBase) {
    if (xdgRuntimeDir) {
        // A trailing separator would make lstat follow a link, so it is dropped first.
        std::string folder = xdgRuntimeDir;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (isPrivateFolder(folder))
            return folder;
    }
    if (fallbackBase.empty())
        return std::nullopt;
    return privateSubfolder(fallbackBase, "vrx-runtime-" + std::to_string(::geteuid()));
}

std::optional<std::string> userRuntimeFolder() {
    return userRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), QDir::tempPath().toStdString());
}

} // namespace vrx::os
