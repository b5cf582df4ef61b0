#include "Platform/vrxfw/DeviceChoice.h"

#include "Platform/os/DeviceIo.h"
#include "Platform/os/Kernel.h"
#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace vrx::vrxfw;
using Kind = DeviceChoice::Kind;

namespace {

DeviceChoice choose(const std::map<std::string, std::string>& variables) {
    return DeviceChoice::fromEnvironment([&](const char* name) -> std::optional<std::string> {
        const auto it = variables.find(name);
        return it == variables.end() ? std::nullopt : std::optional(it->second);
    });
}

vrx::os::Handle open() {
    return vrx::os::createFile(kDevicePath, vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                               vrx::os::kOpenExisting, 0x80);
}

std::uint32_t versionOf(vrx::os::Handle device) {
    std::uint32_t version = 0xFFFFFFFF;
    std::uint32_t returned = 0;
    EXPECT_TRUE(
        vrx::os::deviceIoControl(device, code::kGetVersion, &version, 4, &version, 4, &returned));
    return version;
}

void writeFile(const QString& path, const char* text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST(DeviceChoice, TheVariablesChooseTheDevice) {
    const struct {
        std::map<std::string, std::string> variables;
        Kind kind;
        std::uint32_t version;
        std::size_t problems;
    } cases[] = {
        {{}, Kind::StandIn, kDriverVersion, 0},
        {{{"VRXFW_DEVICE", "standin"}}, Kind::StandIn, kDriverVersion, 0},
        {{{"VRXFW_DEVICE", "none"}}, Kind::None, kDriverVersion, 0},
        {{{"VRXFW_DEVICE", "wrong-version"}}, Kind::WrongVersion, 0x02000405, 0},
        {{{"VRXFW_DEVICE", "wrong-version"}, {"VRXFW_VERSION", "0x02000407"}},
         Kind::WrongVersion,
         0x02000407,
         0},
        {{{"VRXFW_DEVICE", "wrong-version"}, {"VRXFW_VERSION", "banana"}},
         Kind::WrongVersion,
         0x02000405,
         1},
        {{{"VRXFW_VERSION", "0x1"}}, Kind::StandIn, kDriverVersion, 0}, // only with wrong-version
        {{{"VRXFW_SCENARIO", "/s.txt"}}, Kind::Scenario, kDriverVersion, 0},
        {{{"VRXFW_SCENARIO", "/s.txt"}, {"VRXFW_DEVICE", "none"}}, Kind::None, kDriverVersion, 0},
        {{{"VRXFW_DEVICE", "scenario"}}, Kind::StandIn, kDriverVersion, 1}, // no file named
        {{{"VRXFW_DEVICE", "floppy"}}, Kind::StandIn, kDriverVersion, 1},
        {{{"VRXFW_HOST", "maybe"}}, Kind::StandIn, kDriverVersion, 1},
    };
    for (const auto& c : cases) {
        const DeviceChoice choice = choose(c.variables);
        const std::string label =
            c.variables.empty() ? "(none)"
                                : c.variables.begin()->first + "=" + c.variables.begin()->second;
        EXPECT_EQ(choice.kind, c.kind) << label;
        EXPECT_EQ(choice.version, c.version) << label;
        EXPECT_EQ(choice.problems.size(), c.problems) << label;
    }
    EXPECT_EQ(choose({{"VRXFW_SCENARIO", "/s.txt"}}).scenarioPath, "/s.txt");
    EXPECT_EQ(choose({{"VRXFW_TRANSCRIPT", "/t.log"}}).transcriptPath, "/t.log");
    EXPECT_EQ(choose({}).host, DeviceChoice::HostObservation::On);
    EXPECT_EQ(choose({{"VRXFW_HOST", "off"}}).host, DeviceChoice::HostObservation::Off);
}

TEST(DeviceChoice, ThePlatformReadsTheProcesssEnvironment) {
    vrx::test::ScopedEnvironment device("VRXFW_DEVICE", QByteArray("wrong-version"));
    vrx::test::ScopedEnvironment version("VRXFW_VERSION", QByteArray("33555463"));
    vrx::test::ScopedEnvironment host("VRXFW_HOST", QByteArray("off"));
    vrx::test::ScopedEnvironment scenario("VRXFW_SCENARIO", std::nullopt);
    const auto installed = installDeviceFromEnvironment();
    ASSERT_NE(installed->driver(), nullptr);
    const vrx::os::Handle handle = open();
    EXPECT_EQ(versionOf(handle), 0x02000407u); // given in decimal
    (void)vrx::os::closeHandle(handle);
}

TEST(InstalledDevice, NoneLeavesNothingToOpen) {
    DeviceChoice choice;
    choice.kind = Kind::None;
    InstalledDevice device(choice);
    EXPECT_EQ(device.driver(), nullptr);
    EXPECT_EQ(open(), vrx::os::kInvalidHandle);
    EXPECT_EQ(vrx::os::lastError(), vrx::os::error::kFileNotFound);
}

TEST(InstalledDevice, WrongVersionAnswersItsWordAndTheDeviceGoesWithTheObject) {
    DeviceChoice choice = choose({{"VRXFW_DEVICE", "wrong-version"}, {"VRXFW_HOST", "off"}});
    {
        InstalledDevice device(choice);
        const vrx::os::Handle handle = open();
        ASSERT_NE(handle, vrx::os::kInvalidHandle);
        EXPECT_EQ(versionOf(handle), 0x02000405u);
        (void)vrx::os::closeHandle(handle);
    }
    EXPECT_EQ(open(), vrx::os::kInvalidHandle);
}

TEST(InstalledDevice, TheTranscriptFileGetsALinePerCall) {
    QTemporaryDir dir;
    const QString path = dir.filePath("calls.log");
    DeviceChoice choice;
    choice.host = DeviceChoice::HostObservation::Off;
    choice.transcriptPath = path.toStdString();
    {
        InstalledDevice device(choice);
        const vrx::os::Handle handle = open();
        EXPECT_EQ(versionOf(handle), kDriverVersion);
        std::uint32_t returned = 0;
        EXPECT_TRUE(
            vrx::os::deviceIoControl(handle, code::kActivate, nullptr, 4, nullptr, 4, &returned));
        EXPECT_FALSE(
            vrx::os::deviceIoControl(handle, 0x71060418, nullptr, 0, nullptr, 0, &returned));
        (void)vrx::os::closeHandle(handle);
        EXPECT_TRUE(device.transcript()->calls().empty()); // kept in the file only
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(),
              "1 code=0x71060000 in=4:FFFFFFFF out=4/4:06040002 -> ok\n"
              "2 code=0x71060004 in=null/4 out=null/4/0 -> ok\n"
              "3 code=0x71060418 in=null/0 out=null/0/0 -> failed error=1\n");
}

TEST(InstalledDevice, AScenarioFilePlaysAndItsBadLinesAreReported) {
    QTemporaryDir dir;
    const QString path = dir.filePath("demo.txt");
    writeFile(path, "0 endpoint web tcp pid=1234 local=80\n0 jump\n");
    DeviceChoice choice = choose({{"VRXFW_SCENARIO", path.toStdString()}, {"VRXFW_HOST", "off"}});
    InstalledDevice device(choice);
    ASSERT_NE(device.player(), nullptr);
    device.player()->waitUntilPlayedOnce();
    ASSERT_EQ(device.problems().size(), 1u);
    EXPECT_EQ(device.problems()[0], path.toStdString() + ":2: unknown event \"jump\"");

    const vrx::os::Handle handle = open();
    std::vector<TdiStateRecord> records(1000);
    std::uint32_t returned = 0;
    ASSERT_TRUE(vrx::os::deviceIoControl(handle, code::kReadTdiStates, nullptr, 0, records.data(),
                                         56000, &returned));
    ASSERT_EQ(returned, 56u);
    EXPECT_EQ(records[0].processId, 1234u);
    EXPECT_EQ(records[0].localPort, 80);
    (void)vrx::os::closeHandle(handle);

    DeviceChoice missing = choose({{"VRXFW_SCENARIO", dir.filePath("nothing").toStdString()}});
    missing.host = DeviceChoice::HostObservation::Off;
    InstalledDevice none(missing);
    ASSERT_EQ(none.problems().size(), 1u);
    EXPECT_NE(none.problems()[0].find("cannot be read"), std::string::npos);
}
