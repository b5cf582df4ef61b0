#include "Application/utils/VersionText.h"

#include "Platform/os/Platform.h"
#include "Platform/os/VersionBlock.h"
#include "tests/support/FakeSystemInfo.h"
#include "tests/support/FakeVersionResources.h"

#include <gtest/gtest.h>

using namespace vrx::os;
using vrx::test::FakeSystemInfo;
using vrx::test::FakeVersionResources;

namespace {

class GetVersionTextTest : public ::testing::Test {
protected:
    FakeSystemInfo system_;
    FakeVersionResources resources_;
    ScopedService<SystemInfo> systemGuard_{&Services::systemInfo, &system_};
    ScopedService<VersionResources> resourcesGuard_{&Services::versionResources, &resources_};
};

} // namespace

TEST_F(GetVersionTextTest, ShowsThreeNumbersOfTheProgramsFileVersion) {
    struct Case {
        std::array<std::uint16_t, 4> version;
        std::string text;
    };
    const Case cases[] = {
        {{2, 4, 8, 84}, "2.4.8"},
        {{0, 0, 0, 0}, "0.0.0"},
        {{65535, 1, 65535, 65535}, "65535.1.65535"},
    };
    for (const Case& c : cases) {
        resources_.addFile(system_.executablePath,
                           FakeVersionResources::versionInfo({}, c.version));
        EXPECT_EQ(GetVersionText(), c.text);
    }
    // It is the running program's own executable that is read, the size asked first.
    EXPECT_EQ(resources_.requests.front(), system_.executablePath);
}

TEST_F(GetVersionTextTest, IsEmptyWithoutAReadableVersionResource) {
    EXPECT_EQ(GetVersionText(), ""); // no resource at all

    // A resource whose root carries no fixed information.
    auto bytes = version_block::write(FakeVersionResources::versionInfo({{"ProductName", "x"}}));
    bytes[2] = 0;
    bytes[3] = 0;
    resources_.addResource(system_.executablePath, bytes);
    EXPECT_EQ(GetVersionText(), "");

    // A resource that is no version tree.
    resources_.addResource(system_.executablePath, {0xFF, 0xFF, 0, 0, 0, 0});
    EXPECT_EQ(GetVersionText(), "");
}

TEST(GetVersionText, OnThisHostIsTheVersionOfTheBuild) {
    ScopedService<SystemInfo> system(&Services::systemInfo, &hostSystemInfo());
    ScopedService<VersionResources> resources(&Services::versionResources, &hostVersionResources());
    EXPECT_EQ(GetVersionText(), "2.4.8");
}
