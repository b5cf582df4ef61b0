#include "Platform/os/RuntimeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace vrx::os {

namespace {

bool isPrivateFolder(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

std::optional<std::string> userRuntimeFolder() {
    const std::string xdg = environment("XDG_RUNTIME_DIR");
    if (!xdg.empty() && xdg.front() == '/' && isPrivateFolder(xdg))
        return xdg;

    std::string base = environment("TMPDIR");
    if (base.empty() || base.front() != '/')
        base = "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string own = base + "/vornex-" + std::to_string(::getuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    if (!isPrivateFolder(own))
        return std::nullopt;
    return own;
}

} // namespace vrx::os
