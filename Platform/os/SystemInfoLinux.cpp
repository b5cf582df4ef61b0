#include "Platform/os/SystemInfo.h"

#include "Platform/os/LibraryCatalog.h"
#include "Platform/os/SystemLibraries.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace vrx::os {

namespace {

/// The host presents itself as NT 5.1, the family and version whose code paths the program
/// takes on current systems.
constexpr std::uint32_t kHostMajorVersion = 5;
constexpr std::uint32_t kHostMinorVersion = 1;
constexpr std::uint32_t kHostBuildNumber = 2600;

/// Where the host's "system libraries" are said to lie; nothing is read from it.
constexpr const char* kHostSystemDirectory = "/usr/lib";

class LinuxSystemInfo final : public SystemInfo {
public:
    LinuxSystemInfo() { addNtSystemLibraries(libraries_); }

    bool getVersion(OsVersionRecord& record) override {
        if (record.dwOSVersionInfoSize != sizeof(OsVersionRecord)) {
            setLastError(error::kInvalidParameter);
            return false;
        }
        record.dwMajorVersion = kHostMajorVersion;
        record.dwMinorVersion = kHostMinorVersion;
        record.dwBuildNumber = kHostBuildNumber;
        record.dwPlatformId = kPlatformNT;
        std::memset(record.szCSDVersion, 0, sizeof record.szCSDVersion);
        return true;
    }

    std::uint32_t currentProcessId() override { return static_cast<std::uint32_t>(::getpid()); }

    std::string programPath() override {
        std::error_code failed;
        const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failed);
        return failed ? std::string() : path.string();
    }

    std::string programFolder() override {
        const std::string path = programPath();
        const std::size_t cut = path.rfind('/');
        return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    }

    std::string systemDirectory() override { return kHostSystemDirectory; }

    Handle loadLibrary(const std::string& path) override {
        return libraries_.load(path, systemDirectory());
    }
    Handle moduleHandle(const std::string& name) override { return libraries_.module(name); }
    bool hasEntryPoint(Handle library, const std::string& name) override {
        return libraries_.hasEntryPoint(library, name);
    }
    bool freeLibrary(Handle library) override { return libraries_.free(library); }

private:
    LibraryCatalog libraries_;
};

} // namespace

SystemInfo& hostSystemInfo() {
    static LinuxSystemInfo info;
    return info;
}

} // namespace vrx::os
