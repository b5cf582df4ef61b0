#include "Platform/os/ServiceManager.h"

#include "tests/support/FakeServiceManager.h"

#include <gtest/gtest.h>

using namespace vrx::os;
using Call = FakeServiceManager::Call;

TEST(HostServiceManager, IsNotPresentOnThisHost) {
    ServiceManager& manager = hostServiceManager();
    setLastError(0);
    EXPECT_EQ(manager.openManager(std::nullopt, kScManagerAllAccess), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kCallNotImplemented);
    EXPECT_EQ(manager.openService(kInvalidHandle, "VRXFW", kServiceAllAccess), kInvalidHandle);
    EXPECT_FALSE(manager.startService(kInvalidHandle));
    EXPECT_FALSE(manager.closeServiceHandle(kInvalidHandle));
    EXPECT_EQ(lastError(), error::kInvalidHandle);
}

namespace {

ServiceConfig driverConfig(std::uint32_t startType) {
    ServiceConfig config;
    config.startType = startType;
    config.binaryPath = "/opt/vornex/VRXFW.sys";
    config.tag = 7;
    config.dependencies = {"Tcpip"};
    config.displayName = "VRXFW";
    return config;
}

} // namespace

TEST(FakeServiceManager, RecordsTheConversationWithItsArguments) {
    FakeServiceManager manager;
    const Handle scm = manager.openManager(std::nullopt, kScManagerAllAccess);
    ASSERT_NE(scm, kInvalidHandle);
    const Handle created = manager.createService(scm, "VRXFW", kServiceAllAccess, driverConfig(2));
    ASSERT_NE(created, kInvalidHandle);
    EXPECT_TRUE(manager.closeServiceHandle(created));
    const Handle opened = manager.openService(scm, "vrxfw", kServiceAllAccess); // any case
    ASSERT_NE(opened, kInvalidHandle);
    EXPECT_TRUE(manager.startService(opened));
    EXPECT_FALSE(manager.startService(opened));
    EXPECT_EQ(lastError(), error::kServiceAlreadyRunning);
    EXPECT_TRUE(manager.controlService(opened, kServiceControlStop));
    EXPECT_TRUE(manager.deleteService(opened));
    EXPECT_TRUE(manager.closeServiceHandle(opened));
    EXPECT_TRUE(manager.closeServiceHandle(scm));

    EXPECT_EQ(manager.callKinds(),
              (std::vector{Call::OpenManager, Call::CreateService, Call::CloseServiceHandle,
                           Call::OpenService, Call::StartService, Call::StartService,
                           Call::ControlService, Call::DeleteService, Call::CloseServiceHandle,
                           Call::CloseServiceHandle}));
    const auto& create = manager.calls()[1];
    EXPECT_EQ(create.handle, scm);
    EXPECT_EQ(create.name, "VRXFW");
    EXPECT_EQ(create.access, kServiceAllAccess);
    ASSERT_TRUE(create.config);
    EXPECT_EQ(create.config->binaryPath, "/opt/vornex/VRXFW.sys");
    EXPECT_EQ(create.config->tag, 7u);
    EXPECT_EQ(create.config->dependencies, std::vector<std::string>{"Tcpip"});
    EXPECT_EQ(manager.calls()[6].control, kServiceControlStop);
    EXPECT_FALSE(manager.calls()[5].succeeded);
    EXPECT_EQ(manager.openHandles(), 0u);
    ASSERT_TRUE(manager.service("VRXFW"));
    EXPECT_TRUE(manager.service("VRXFW")->deleted);
}

TEST(FakeServiceManager, BehavesAsThePlatformOnExistingAndMissingServices) {
    FakeServiceManager manager;
    manager.addService("VRXFW", driverConfig(3), /*running=*/true);
    const Handle scm = manager.openManager(std::nullopt, kScManagerAllAccess);
    EXPECT_EQ(manager.createService(scm, "VRXFW", kServiceAllAccess, driverConfig(2)),
              kInvalidHandle);
    EXPECT_EQ(lastError(), error::kServiceExists);
    EXPECT_EQ(manager.openService(scm, "Other", kServiceAllAccess), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kServiceDoesNotExist);

    const Handle service = manager.openService(scm, "VRXFW", kServiceAllAccess);
    EXPECT_TRUE(manager.changeServiceConfig(service, driverConfig(1)));
    EXPECT_EQ(manager.service("VRXFW")->config.startType, 1u);
    EXPECT_FALSE(manager.startService(service));
    EXPECT_EQ(lastError(), error::kServiceAlreadyRunning);
    EXPECT_TRUE(manager.controlService(service, kServiceControlStop));
    EXPECT_FALSE(manager.controlService(service, kServiceControlStop));
    EXPECT_EQ(lastError(), 1062u);
}

TEST(FakeServiceManager, OutcomesCanBeSet) {
    FakeServiceManager refusing;
    refusing.openManagerError = error::kAccessDenied;
    EXPECT_EQ(refusing.openManager(std::nullopt, kScManagerAllAccess), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kAccessDenied);
    ASSERT_EQ(refusing.calls().size(), 1u);
    EXPECT_EQ(refusing.calls()[0].access, kScManagerAllAccess);

    FakeServiceManager failingStart;
    failingStart.startError = 2;
    failingStart.addService("VRXFW", driverConfig(2), /*running=*/false);
    const Handle scm = failingStart.openManager(std::nullopt, kScManagerAllAccess);
    const Handle service = failingStart.openService(scm, "VRXFW", kServiceAllAccess);
    EXPECT_FALSE(failingStart.startService(service));
    EXPECT_EQ(lastError(), 2u);
    EXPECT_FALSE(failingStart.service("VRXFW")->running);
}
