#include "Application/utils/OsVersion.h"

#include "Platform/os/Platform.h"
#include "tests/support/FakeSystemInfo.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vrx::os;

TEST(GetOSVersion, ClearsTheRecordSetsItsSizeAndReturnsThePlatformsAnswer) {
    vrx::test::FakeSystemInfo info;
    ScopedService<SystemInfo> guard(&Services::systemInfo, &info);
    info.platformId = kPlatformWindows9x;
    info.majorVersion = 4;
    info.minorVersion = 90;

    OsVersionRecord record;
    std::memset(static_cast<void*>(&record), 0xAB, sizeof record);
    ASSERT_TRUE(GetOSVersion(record));
    EXPECT_EQ(record.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(record.dwPlatformId, kPlatformWindows9x);
    EXPECT_EQ(record.dwMajorVersion, 4u);
    EXPECT_EQ(record.dwMinorVersion, 90u);

    info.failVersion = true;
    std::memset(static_cast<void*>(&record), 0xAB, sizeof record);
    EXPECT_FALSE(GetOSVersion(record));
    EXPECT_EQ(record.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(record.dwPlatformId, 0u);
    EXPECT_EQ(record.szCSDVersion[127], 0);
}

TEST(GetOSVersion, OnThisHostReportsNt51) {
    ScopedService<SystemInfo> guard(&Services::systemInfo, &hostSystemInfo());
    OsVersionRecord record;
    ASSERT_TRUE(GetOSVersion(record));
    EXPECT_EQ(record.dwPlatformId, kPlatformNT);
    EXPECT_EQ(record.dwMajorVersion, 5u);
}
