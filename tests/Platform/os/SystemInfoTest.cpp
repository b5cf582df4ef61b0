#include "Platform/os/SystemInfo.h"

#include "tests/support/FakeSystemInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace vrx::os;
using vrx::test::FakeSystemInfo;

TEST(HostSystemInfo, ReportsTheNtFamilyVersion51) {
    OsVersionRecord record;
    record.dwOSVersionInfoSize = sizeof record;
    ASSERT_TRUE(hostSystemInfo().getVersion(record));
    EXPECT_EQ(record.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(record.dwPlatformId, kPlatformNT);
    EXPECT_EQ(record.dwMajorVersion, 5u);
    EXPECT_EQ(record.dwMinorVersion, 1u);
}

TEST(HostSystemInfo, RefusesARecordWithoutItsSize) {
    OsVersionRecord record;
    record.dwOSVersionInfoSize = 100;
    setLastError(0);
    EXPECT_FALSE(hostSystemInfo().getVersion(record));
    EXPECT_EQ(lastError(), error::kInvalidParameter);
    EXPECT_EQ(record.dwPlatformId, 0u);
}

TEST(HostSystemInfo, KnowsThisProcessAndItsExecutable) {
    SystemInfo& info = hostSystemInfo();
    EXPECT_EQ(info.currentProcessId(), static_cast<std::uint32_t>(::getpid()));
    const std::string path = info.programPath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));
    const std::string folder = info.programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(path.rfind(folder, 0), 0u);
    EXPECT_EQ(path.find('/', folder.size()), std::string::npos);
    const std::string system = info.systemDirectory();
    ASSERT_FALSE(system.empty());
    EXPECT_NE(system.back(), '/');
}

TEST(HostSystemInfo, LoadsPsapiBelowTheSystemFolderWithItsEntryPoints) {
    SystemInfo& info = hostSystemInfo();
    const Handle psapi = info.loadLibrary(info.systemDirectory() + "\\psapi.DLL");
    ASSERT_NE(psapi, kInvalidHandle);
    EXPECT_TRUE(info.hasEntryPoint(psapi, "GetModuleFileNameExA"));
    EXPECT_TRUE(info.hasEntryPoint(psapi, "EnumProcessModules"));
    setLastError(0);
    EXPECT_FALSE(info.hasEntryPoint(psapi, "getmodulefilenameexa"));
    EXPECT_EQ(lastError(), error::kProcNotFound);
    EXPECT_TRUE(info.freeLibrary(psapi));
    EXPECT_FALSE(info.hasEntryPoint(psapi, "EnumProcessModules"));
    EXPECT_EQ(lastError(), error::kInvalidHandle);

    setLastError(0);
    EXPECT_EQ(info.loadLibrary("/somewhere/else/PSAPI.dll"), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kModuleNotFound);
    EXPECT_EQ(info.loadLibrary(info.systemDirectory() + "/VERSION.dll"), kInvalidHandle);
}

TEST(HostSystemInfo, Kernel32IsResidentAndHasNoVxdEntryOnThisFamily) {
    SystemInfo& info = hostSystemInfo();
    const Handle kernel = info.moduleHandle("kernel32.dll");
    ASSERT_NE(kernel, kInvalidHandle);
    EXPECT_EQ(info.moduleHandle("KERNEL32.DLL"), kernel);
    for (const char* entry :
         {"GetLongPathNameA", "CreateToolhelp32Snapshot", "Process32First", "Process32Next"})
        EXPECT_TRUE(info.hasEntryPoint(kernel, entry)) << entry;
    EXPECT_FALSE(info.hasEntryPoint(kernel, "OpenVxDHandle"));
    EXPECT_EQ(info.moduleHandle("PSAPI.dll"), kInvalidHandle);
    // Loading the resident library by its path works too, as the 9x path does.
    const Handle loaded = info.loadLibrary(info.systemDirectory() + "\\kernel32.dll");
    ASSERT_NE(loaded, kInvalidHandle);
    EXPECT_TRUE(info.freeLibrary(loaded));
    // Freeing the module handle leaves the resident library in place.
    EXPECT_TRUE(info.freeLibrary(kernel));
    EXPECT_TRUE(info.hasEntryPoint(kernel, "Process32Next"));
}

TEST(FakeSystemInfo, ReportsWhatTheTestSetsAndCanFail) {
    FakeSystemInfo fake;
    fake.platformId = kPlatformWindows9x;
    fake.majorVersion = 4;
    fake.minorVersion = 10;
    OsVersionRecord record;
    record.dwOSVersionInfoSize = sizeof record;
    ASSERT_TRUE(fake.getVersion(record));
    EXPECT_EQ(record.dwPlatformId, kPlatformWindows9x);
    EXPECT_EQ(record.dwMinorVersion, 10u);

    fake.failVersion = true;
    EXPECT_FALSE(fake.getVersion(record));
    EXPECT_EQ(fake.versionQueries, 2);
}

TEST(FakeSystemInfo, LetsATestRemoveALibraryOrAnEntryPoint) {
    FakeSystemInfo fake;
    const std::string psapiPath = fake.systemDirectory() + "\\PSAPI.dll";
    fake.libraries.removeEntryPoint("PSAPI.DLL", "EnumProcessModules");
    const Handle psapi = fake.loadLibrary(psapiPath);
    ASSERT_NE(psapi, kInvalidHandle);
    EXPECT_TRUE(fake.hasEntryPoint(psapi, "GetModuleFileNameExA"));
    EXPECT_FALSE(fake.hasEntryPoint(psapi, "EnumProcessModules"));
    EXPECT_EQ(fake.libraries.openLoads(), 1u);
    EXPECT_TRUE(fake.freeLibrary(psapi));
    EXPECT_EQ(fake.libraries.openLoads(), 0u);

    fake.libraries.removeLibrary("psapi.dll");
    EXPECT_EQ(fake.loadLibrary(psapiPath), kInvalidHandle);
    fake.libraries.removeLibrary("KERNEL32.DLL");
    EXPECT_EQ(fake.moduleHandle("KERNEL32.DLL"), kInvalidHandle);
}
