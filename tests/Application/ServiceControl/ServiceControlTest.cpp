#include "Application/ServiceControl/ServiceControl.h"

#include "Platform/os/DeviceIo.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"
#include "tests/support/FakeServiceManager.h"
#include "tests/support/FakeSystemInfo.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using vrx::os::FakeServiceManager;
using Call = FakeServiceManager::Call;

namespace {

constexpr std::uint32_t kFlags = 0x40000080;
const std::string kSystemDriver = "%SystemRoot%\\system32\\Drivers\\VRXFW.sys";

// The installer against the in-memory service manager, with the program in a folder of the
// test's own (empty unless the test puts the driver file there).
class ServiceControlTest : public ::testing::Test {
protected:
    ServiceControlTest() { info.executablePath = folder.path().toStdString() + "/VornexFirewall"; }

    void putDriverFile() {
        QFile file(folder.filePath("VRXFW.sys"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    std::string driverFileBeside() const { return folder.path().toStdString() + "/VRXFW.sys"; }

    // The configuration the driver interface sets before installing.
    static void configure(ServiceControl& control, std::uint32_t tag = 0) {
        control.UpdateExisting = true;
        control.StopOnDestroy = false;
        control.DeleteAfterStop = false;
        control.Tag = tag;
        control.StartType = 2;
        control.Dependencies = {"Tcpip"};
        control.OpenDevice = false;
    }

    const FakeServiceManager::Record* first(Call kind) const {
        for (const auto& record : scm.calls())
            if (record.call == kind)
                return &record;
        return nullptr;
    }

    QTemporaryDir folder;
    vrx::test::FakeSystemInfo info;
    FakeServiceManager scm;
    vrx::os::ScopedService<vrx::os::SystemInfo> infoGuard{&vrx::os::Services::systemInfo, &info};
    vrx::os::ScopedService<vrx::os::ServiceManager> scmGuard{&vrx::os::Services::serviceManager,
                                                             &scm};
};

} // namespace

TEST_F(ServiceControlTest, ANewServiceIsCreatedFromTheDriverFileBesideTheProgramAndStarted) {
    putDriverFile();
    {
        ServiceControl control;
        configure(control, 3);
        EXPECT_EQ(control.Install("VRXFW", kFlags, "", "\\\\.\\VRXFW"), 0u);
        EXPECT_EQ(control.DriverPath(), driverFileBeside());
        EXPECT_EQ(control.DevicePath(), "\\\\.\\VRXFW");

        EXPECT_EQ(scm.callKinds(), (std::vector<Call>{Call::OpenManager, Call::CreateService,
                                                      Call::CloseServiceHandle, Call::OpenService,
                                                      Call::StartService, Call::CloseServiceHandle,
                                                      Call::CloseServiceHandle}));
        const auto& open = scm.calls()[0];
        EXPECT_FALSE(open.machine);
        EXPECT_EQ(open.access, 0xF003Fu);
        const auto& create = scm.calls()[1];
        EXPECT_EQ(create.name, "VRXFW");
        EXPECT_EQ(create.access, 0xF01FFu);
        ASSERT_TRUE(create.config);
        EXPECT_EQ(create.config->serviceType, 1u);
        EXPECT_EQ(create.config->startType, 2u);
        EXPECT_EQ(create.config->errorControl, 0u);
        EXPECT_EQ(create.config->binaryPath, driverFileBeside());
        EXPECT_FALSE(create.config->loadOrderGroup);
        EXPECT_EQ(create.config->tag, 3u);
        EXPECT_EQ(create.config->dependencies, std::vector<std::string>{"Tcpip"});
        EXPECT_FALSE(create.config->account);
        EXPECT_FALSE(create.config->password);
        EXPECT_EQ(create.config->displayName, "VRXFW");
        EXPECT_EQ(scm.openHandles(), 0u);
        ASSERT_NE(scm.service("VRXFW"), nullptr);
        EXPECT_TRUE(scm.service("VRXFW")->running);
    }
    // As the driver interface configures it, destruction leaves the service running.
    EXPECT_EQ(scm.calls().size(), 7u);
    EXPECT_TRUE(scm.service("VRXFW")->running);
}

TEST_F(ServiceControlTest, WithoutTheFileBesideTheProgramTheSystemDriversFolderIsNamedUnchecked) {
    ServiceControl control;
    configure(control);
    EXPECT_EQ(control.Install("VRXFW", kFlags, "", "\\\\.\\VRXFW"), 0u);
    EXPECT_EQ(control.DriverPath(), kSystemDriver);
    ASSERT_NE(first(Call::CreateService), nullptr);
    EXPECT_EQ(first(Call::CreateService)->config->binaryPath, kSystemDriver);
    // A tag of 0 passes none.
    EXPECT_FALSE(first(Call::CreateService)->config->tag);

    // A given path that exists is kept; one that does not falls back as well.
    putDriverFile();
    EXPECT_EQ(control.Install("VRXFW", kFlags, driverFileBeside(), ""), 0u);
    EXPECT_EQ(control.DriverPath(), driverFileBeside());
    EXPECT_EQ(control.Install("VRXFW", kFlags, "/nowhere/VRXFW.sys", ""), 0u);
    EXPECT_EQ(control.DriverPath(), kSystemDriver);
}

TEST_F(ServiceControlTest, AnExistingServiceIsReconfiguredAndARunningOneIsNotStoppedLater) {
    vrx::os::ServiceConfig old;
    old.startType = 3;
    old.binaryPath = "C:\\old\\VRXFW.sys";
    scm.addService("VRXFW", old, /*running=*/true);
    {
        ServiceControl control;
        configure(control, 9);
        control.StopOnDestroy = true;
        EXPECT_EQ(control.Install("VRXFW", kFlags, "", ""), 0u);
        EXPECT_EQ(scm.callKinds(),
                  (std::vector<Call>{Call::OpenManager, Call::CreateService, Call::OpenService,
                                     Call::ChangeServiceConfig, Call::CloseServiceHandle,
                                     Call::OpenService, Call::StartService,
                                     Call::CloseServiceHandle, Call::CloseServiceHandle}));
        const auto* change = first(Call::ChangeServiceConfig);
        ASSERT_TRUE(change && change->config);
        EXPECT_EQ(change->config->startType, 2u);
        EXPECT_EQ(change->config->binaryPath, kSystemDriver);
        EXPECT_EQ(change->config->tag, 9u);
        EXPECT_EQ(change->config->dependencies, std::vector<std::string>{"Tcpip"});
        EXPECT_EQ(scm.service("VRXFW")->config.startType, 2u);
        // Already running counts as started, and clears the stop at destruction.
        EXPECT_FALSE(control.StopOnDestroy);
    }
    EXPECT_EQ(first(Call::ControlService), nullptr);
    EXPECT_TRUE(scm.service("VRXFW")->running);
}

TEST_F(ServiceControlTest, WithoutUpdateExistingAnExistingServiceKeepsItsConfiguration) {
    vrx::os::ServiceConfig old;
    old.startType = 3;
    scm.addService("VRXFW", old, /*running=*/false);
    ServiceControl control;
    configure(control);
    control.UpdateExisting = false;
    EXPECT_EQ(control.Install("VRXFW", kFlags, "", ""), 0u);
    EXPECT_EQ(first(Call::ChangeServiceConfig), nullptr);
    EXPECT_EQ(scm.service("VRXFW")->config.startType, 3u);
    EXPECT_TRUE(scm.service("VRXFW")->running);
}

TEST_F(ServiceControlTest, AManagerThatCannotBeOpenedIsTheOnlyReportedError) {
    scm.openManagerError = vrx::os::error::kAccessDenied;
    ServiceControl control;
    configure(control);
    EXPECT_EQ(control.Install("VRXFW", kFlags, "", ""), vrx::os::error::kAccessDenied);
    EXPECT_EQ(scm.callKinds(), std::vector<Call>{Call::OpenManager});

    // A later run that reaches the manager reports success again.
    scm.openManagerError = 0;
    EXPECT_EQ(control.Install("VRXFW", kFlags, "", ""), 0u);

    // A failing start is not reported either.
    ServiceControl other;
    configure(other);
    scm.startError = 2;
    vrx::os::ServiceConfig config;
    scm.addService("VRXFW", config, /*running=*/false);
    EXPECT_EQ(other.Install("VRXFW", kFlags, "", ""), 0u);
}

TEST_F(ServiceControlTest, TheDevicePathGetsThePrefixOnlyWhenItLacksTheTwoBackslashes) {
    const struct {
        std::string given;
        std::string expected;
    } cases[] = {
        {"VRXFW", "\\\\.\\VRXFW"},
        {"\\\\.\\VRXFW", "\\\\.\\VRXFW"},
        {"", "\\\\.\\VRXFW"}, // the service name
        {"\\\\?\\X", "\\\\?\\X"},
    };
    for (const auto& c : cases) {
        ServiceControl control;
        configure(control);
        EXPECT_EQ(control.Install("VRXFW", kFlags, "", c.given), 0u);
        EXPECT_EQ(control.DevicePath(), c.expected) << c.given;
    }
}

TEST_F(ServiceControlTest, WithOpenDeviceTheDeviceIsOpenedAndClosedWithTheObject) {
    vrx::vrxfw::StandIn standIn;
    {
        ServiceControl control;
        configure(control);
        control.OpenDevice = true;
        EXPECT_EQ(control.Install("VRXFW", kFlags, "", "VRXFW"), 0u);
        ASSERT_NE(control.DeviceHandle(), vrx::os::kInvalidHandle);
        std::uint32_t version = 0;
        std::uint32_t returned = 0;
        EXPECT_TRUE(vrx::os::deviceIoControl(control.DeviceHandle(), 0x71060000, &version, 4,
                                             &version, 4, &returned));
        EXPECT_EQ(version, 0x02000406u);
    }
    // The manager failing closes nothing it did not open and reports the error.
    scm.openManagerError = vrx::os::error::kAccessDenied;
    ServiceControl control;
    configure(control);
    control.OpenDevice = true;
    EXPECT_NE(control.Install("VRXFW", kFlags, "", "VRXFW"), 0u);
    EXPECT_EQ(control.DeviceHandle(), vrx::os::kInvalidHandle);
}

TEST_F(ServiceControlTest, StopOnDestroyStopsAndDeleteAfterStopDeletes) {
    {
        ServiceControl control;
        configure(control);
        control.StopOnDestroy = true;
        control.DeleteAfterStop = true;
        EXPECT_EQ(control.Install("VRXFW", kFlags, "", ""), 0u);
        EXPECT_TRUE(scm.service("VRXFW")->running);
    }
    const auto* stop = first(Call::ControlService);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->control, 1u);
    EXPECT_NE(first(Call::DeleteService), nullptr);
    EXPECT_FALSE(scm.service("VRXFW")->running);
    EXPECT_TRUE(scm.service("VRXFW")->deleted);
    EXPECT_EQ(scm.openHandles(), 0u);
}
