#include "Application/utils/RunEntry.h"

#include "Platform/os/Platform.h"
#include "Platform/os/Registry.h"
#include "Platform/os/SystemInfo.h"
#include "tests/support/FakeRegistry.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrx::os;

namespace {

constexpr char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kName[] = "VORNEX Personal FireWall";
constexpr char kProgram[] = "/opt/VORNEX Firewall/VornexFirewall";

// Only the program's path is asked for here.
class ProgramAt final : public SystemInfo {
public:
    bool getVersion(OsVersionRecord&) override { return false; }
    std::uint32_t currentProcessId() override { return 1; }
    std::string programPath() override { return kProgram; }
    std::string programFolder() override { return "/opt/VORNEX Firewall/"; }
    std::string systemDirectory() override { return {}; }
    Handle loadLibrary(const std::string&) override { return kInvalidHandle; }
    Handle moduleHandle(const std::string&) override { return kInvalidHandle; }
    bool hasEntryPoint(Handle, const std::string&) override { return false; }
    bool freeLibrary(Handle) override { return false; }
};

class RunEntryTest : public ::testing::Test {
protected:
    ProgramAt system;
    ScopedService<SystemInfo> systemGuard{&Services::systemInfo, &system};
};

// The host: the entry is a desktop entry in the user's autostart folder.
class HostRunEntryTest : public RunEntryTest {
protected:
    std::optional<std::string> runValue() {
        Handle key = kInvalidHandle;
        EXPECT_EQ(hostRegistry().openKey(kHkeyLocalMachine, kRun, kKeyRead, key), 0);
        RegistryValue value;
        const auto status = hostRegistry().queryValue(key, kName, value);
        hostRegistry().closeKey(key);
        return status == 0 ? std::optional(value.data) : std::nullopt;
    }
    qsizetype autostartEntries() const {
        return QDir(config.path() + "/autostart").entryList(QDir::Files).size();
    }

    QTemporaryDir config;
    vrx::test::ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.path().toUtf8()};
    ScopedService<Registry> registryGuard{&Services::registry, &hostRegistry()};
};

class FakeRunEntryTest : public RunEntryTest {
protected:
    FakeRegistry registry;
    ScopedService<Registry> registryGuard{&Services::registry, &registry};
};

} // namespace

TEST_F(HostRunEntryTest, EnablingWritesTheProgramsPathAndDisablingRemovesIt) {
    EXPECT_TRUE(SetRunAtStart(true, kName));
    EXPECT_EQ(runValue(), kProgram);
    EXPECT_EQ(autostartEntries(), 1);
    EXPECT_TRUE(SetRunAtStart(true, kName)); // again: still one entry
    EXPECT_EQ(autostartEntries(), 1);

    EXPECT_TRUE(SetRunAtStart(false, kName));
    EXPECT_EQ(runValue(), std::nullopt);
    EXPECT_EQ(autostartEntries(), 0);
    EXPECT_TRUE(SetRunAtStart(false, kName)); // a missing value is no error
}

TEST_F(FakeRunEntryTest, WritesAndDeletesTheValueUnderTheMachinesRunKey) {
    registry.addKey(kHkeyLocalMachine, kRun);
    registry.putValue(kHkeyCurrentUser, kRun, kName, FakeRegistry::text("/user/copy"));

    EXPECT_TRUE(SetRunAtStart(true, kName));
    const auto written = registry.value(kHkeyLocalMachine, kRun, kName);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->type, kRegSz);
    EXPECT_EQ(written->data, kProgram);

    EXPECT_TRUE(SetRunAtStart(false, kName));
    EXPECT_FALSE(registry.value(kHkeyLocalMachine, kRun, kName));
    EXPECT_TRUE(SetRunAtStart(false, kName));
    // The user's own Run key is not the one meant, and every key opened was closed.
    EXPECT_TRUE(registry.value(kHkeyCurrentUser, kRun, kName));
    EXPECT_EQ(registry.openKeys(), 0u);
}

TEST_F(FakeRunEntryTest, AKeyThatCannotBeOpenedGivesFalseAndWritesNothing) {
    EXPECT_FALSE(SetRunAtStart(true, kName)); // no such key: it is not created
    EXPECT_FALSE(registry.hasKey(kHkeyLocalMachine, kRun));

    registry.putValue(kHkeyLocalMachine, kRun, kName, FakeRegistry::text("/old"));
    registry.refuseWriting(kHkeyLocalMachine, kRun);
    EXPECT_FALSE(SetRunAtStart(true, kName));
    EXPECT_FALSE(SetRunAtStart(false, kName));
    EXPECT_EQ(registry.value(kHkeyLocalMachine, kRun, kName)->data, "/old");
}
