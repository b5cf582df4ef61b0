#pragma once

#include "Platform/os/LibraryCatalog.h"
#include "Platform/os/SystemInfo.h"

#include <string>

namespace vrx::test {

/// A system whose version, process and folders a test sets. Its libraries start as the host's
/// (PSAPI.dll and KERNEL32.DLL with their entry points); a test removes a library or an entry
/// point through `libraries` to see the code's handling of a missing one, or adds one (e.g.
/// OpenVxDHandle for the 9x family).
class FakeSystemInfo final : public os::SystemInfo {
public:
    FakeSystemInfo();

    std::uint32_t platformId = os::kPlatformNT;
    std::uint32_t majorVersion = 5;
    std::uint32_t minorVersion = 1;
    std::uint32_t buildNumber = 2600;
    std::string csdVersion;
    /// When set, the version query fails with this last error.
    bool failVersion = false;
    std::uint32_t versionError = os::error::kInvalidParameter;
    int versionQueries = 0;

    std::uint32_t processId = 4242;
    std::string executablePath = "/opt/vornex/VornexFirewall";
    std::string systemFolder = "/fake/system32";
    os::LibraryCatalog libraries;

    bool getVersion(os::OsVersionRecord& record) override;
    std::uint32_t currentProcessId() override { return processId; }
    std::string programPath() override { return executablePath; }
    std::string programFolder() override;
    std::string systemDirectory() override { return systemFolder; }
    os::Handle loadLibrary(const std::string& path) override;
    os::Handle moduleHandle(const std::string& name) override;
    bool hasEntryPoint(os::Handle library, const std::string& name) override;
    bool freeLibrary(os::Handle library) override;
};

} // namespace vrx::test
