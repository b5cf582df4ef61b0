#include "Platform/os/Clock.h"
#include "Platform/os/Files.h"
#include "Platform/os/Icons.h"
#include "Platform/os/NamedMutexes.h"
#include "Platform/os/Network.h"
#include "Platform/os/Platform.h"
#include "Platform/os/Processes.h"
#include "Platform/os/Registry.h"
#include "Platform/os/ServiceManager.h"
#include "Platform/os/Shell.h"
#include "Platform/os/Sound.h"
#include "Platform/os/SystemInfo.h"
#include "Platform/os/VersionResources.h"
#include "Platform/os/WindowMessages.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>

using namespace vrx::os;

namespace {

/// The services seen as their raw pointers, so that a service added to Services later is
/// checked too without this test naming it.
constexpr std::size_t kServiceCount = sizeof(Services) / sizeof(void*);
static_assert(sizeof(Services) == kServiceCount * sizeof(void*),
              "Services holds one pointer per service and nothing else");
using ServicePointers = std::array<void*, kServiceCount>;

/// Empties the services for the test and puts back what was there after.
class HostPlatformTest : public ::testing::Test {
protected:
    void SetUp() override { platform() = Services{}; }
    void TearDown() override { platform() = saved_; }

private:
    Services saved_ = platform();
};

} // namespace

TEST_F(HostPlatformTest, InstallsTheHostImplementationOfEveryService) {
    for (void* service : std::bit_cast<ServicePointers>(platform()))
        ASSERT_EQ(service, nullptr);

    installHostPlatform();

    const ServicePointers installed = std::bit_cast<ServicePointers>(platform());
    for (std::size_t i = 0; i < installed.size(); ++i)
        EXPECT_NE(installed[i], nullptr) << "service " << i << " of Services is not installed";

    const Services& s = platform();
    EXPECT_EQ(s.systemInfo, &hostSystemInfo());
    EXPECT_EQ(s.clock, &hostClock());
    EXPECT_EQ(s.mutexes, &hostNamedMutexes());
    EXPECT_EQ(s.windowMessages, &hostWindowMessages());
    EXPECT_EQ(s.registry, &hostRegistry());
    EXPECT_EQ(s.serviceManager, &hostServiceManager());
    EXPECT_EQ(s.processes, &hostProcesses());
    EXPECT_EQ(s.files, &hostFiles());
    EXPECT_EQ(s.versionResources, &hostVersionResources());
    EXPECT_EQ(s.icons, &hostIcons());
    EXPECT_EQ(s.network, &hostNetwork());
    EXPECT_EQ(s.sound, &hostSound());
    EXPECT_EQ(s.shell, &hostShell());
}
