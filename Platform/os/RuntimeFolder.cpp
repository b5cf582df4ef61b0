#include "Platform/os/RuntimeFolder.h"

#include "Platform/os/PrivateFolder.h"

#include <cstdlib>
#include <unistd.h>

namespace vrx::os {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

std::optional<std::string> userRuntimeFolder() {
    const std::string xdg = environment("XDG_RUNTIME_DIR");
    if (isPrivateFolder(xdg))
        return xdg;

    std::string base = environment("TMPDIR");
    if (base.empty() || base.front() != '/')
        base = "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return privateSubfolder(base == "/" ? std::string() : base,
                            "vornex-" + std::to_string(::getuid()));
}

} // namespace vrx::os
