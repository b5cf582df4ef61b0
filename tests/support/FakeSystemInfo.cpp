#include "tests/support/FakeSystemInfo.h"

#include "Platform/os/SystemLibraries.h"

#include <algorithm>
#include <cstring>

namespace vrx::test {

FakeSystemInfo::FakeSystemInfo() {
    os::addNtSystemLibraries(libraries);
}

bool FakeSystemInfo::getVersion(os::OsVersionRecord& record) {
    ++versionQueries;
    if (failVersion || record.dwOSVersionInfoSize != sizeof(os::OsVersionRecord)) {
        os::setLastError(failVersion ? versionError : os::error::kInvalidParameter);
        return false;
    }
    record.dwMajorVersion = majorVersion;
    record.dwMinorVersion = minorVersion;
    record.dwBuildNumber = buildNumber;
    record.dwPlatformId = platformId;
    std::memset(record.szCSDVersion, 0, sizeof record.szCSDVersion);
    std::memcpy(record.szCSDVersion, csdVersion.data(),
                std::min(csdVersion.size(), sizeof record.szCSDVersion - 1));
    return true;
}

std::string FakeSystemInfo::programFolder() {
    const std::size_t cut = executablePath.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : executablePath.substr(0, cut + 1);
}

os::Handle FakeSystemInfo::loadLibrary(const std::string& path) {
    return libraries.load(path, systemFolder);
}

os::Handle FakeSystemInfo::moduleHandle(const std::string& name) {
    return libraries.module(name);
}

bool FakeSystemInfo::hasEntryPoint(os::Handle library, const std::string& name) {
    return libraries.hasEntryPoint(library, name);
}

bool FakeSystemInfo::freeLibrary(os::Handle library) {
    return libraries.free(library);
}

} // namespace vrx::test
