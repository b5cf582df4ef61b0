#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <string>

namespace vrx::os {

/// The platform's ANSI version record: 148 bytes, its size field set by the caller.
struct OsVersionRecord {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OsVersionRecord) == 148);

inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWindows9x = 1;
inline constexpr std::uint32_t kPlatformNT = 2;

/// Facts about the running system and process, and run-time loading of the system libraries
/// whose entry points some classes resolve before they use them.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    /// Fills the record when its size field is 148; false (last error 87) otherwise.
    /// The Linux host reports the NT family, version 5.1.
    virtual bool getVersion(OsVersionRecord& record) = 0;

    virtual std::uint32_t currentProcessId() = 0;

    /// The full path of the running program's executable.
    virtual std::string programPath() = 0;

    /// The folder of the running executable, ending in the host's separator.
    virtual std::string programFolder() = 0;

    /// The system folder in which the system libraries lie (no trailing separator).
    virtual std::string systemDirectory() = 0;

    /// Loads a system library by path; kInvalidHandle (0 is never used either) when absent.
    virtual Handle loadLibrary(const std::string& path) = 0;
    /// The handle of a library that every process has loaded (e.g. "KERNEL32.DLL"), by name.
    virtual Handle moduleHandle(const std::string& name) = 0;
    /// Whether the library exports the entry point.
    virtual bool hasEntryPoint(Handle library, const std::string& name) = 0;
    virtual bool freeLibrary(Handle library) = 0;
};

/// The Linux host's implementation (its file: SystemInfoLinux.cpp).
SystemInfo& hostSystemInfo();

} // namespace vrx::os
