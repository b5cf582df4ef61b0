#include "Platform/os/NamedMutexes.h"

#include "Platform/os/RuntimeFolder.h"
#include "tests/support/FakeNamedMutexes.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

using namespace vrx::os;

namespace {

/// Sets an environment variable for one test and puts the previous value back after.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            previous_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvironmentGuard() {
        if (previous_)
            ::setenv(name_, previous_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

/// Starts a second process that creates the named mutex in the given runtime folder and
/// returns the last error it got, as it printed it.
std::string lastErrorSeenByAnotherProcess(const std::string& runtimeFolder,
                                          const std::string& name) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeFolder));
    child.setProcessEnvironment(environment);
    child.start(VRX_MUTEX_PROBE, {QString::fromStdString(name)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return "probe failed with " + std::to_string(child.exitCode());
    return child.readAllStandardOutput().trimmed().toStdString();
}

} // namespace

class HostNamedMutexes : public testing::Test {
protected:
    QTemporaryDir folder_;
    EnvironmentGuard runtimeFolder_{"XDG_RUNTIME_DIR", folder_.path().toStdString()};
};

TEST_F(HostNamedMutexes, ASecondProcessGetsAlreadyExistsUntilTheHandleCloses) {
    const std::string name = "VORNEX_PERSONAL_FIREWALL";
    const Handle mine = hostNamedMutexes().createMutex(false, name);
    ASSERT_NE(mine, kInvalidHandle);
    EXPECT_EQ(lastError(), error::kSuccess);

    EXPECT_EQ(lastErrorSeenByAnotherProcess(folder_.path().toStdString(), name), "183");
    ASSERT_TRUE(closeHandle(mine));
    EXPECT_EQ(lastErrorSeenByAnotherProcess(folder_.path().toStdString(), name), "0");
}

TEST_F(HostNamedMutexes, ASecondCallInThisProcessGetsAHandleAndAlreadyExists) {
    const Handle first = hostNamedMutexes().createMutex(true, "one name");
    ASSERT_NE(first, kInvalidHandle);
    const Handle second = hostNamedMutexes().createMutex(false, "one name");
    ASSERT_NE(second, kInvalidHandle);
    EXPECT_EQ(lastError(), error::kAlreadyExists);
    EXPECT_NE(second, first);

    const Handle other = hostNamedMutexes().createMutex(false, "one name/../other");
    ASSERT_NE(other, kInvalidHandle);
    EXPECT_EQ(lastError(), error::kSuccess);

    closeHandle(second);
    closeHandle(first);
    const Handle again = hostNamedMutexes().createMutex(false, "one name");
    EXPECT_EQ(lastError(), error::kSuccess);
    closeHandle(again);
    closeHandle(other);
}

TEST_F(HostNamedMutexes, NamesBecomeFileNamesInsideTheRuntimeFolder) {
    const std::string longName(1000, 'x');
    for (const std::string& name : {std::string("../../escape"), std::string("a/b\\c:d"), longName,
                                    std::string("\xE4\xB8\xAD")}) {
        const Handle mutex = hostNamedMutexes().createMutex(false, name);
        ASSERT_NE(mutex, kInvalidHandle) << name;
        closeHandle(mutex);
    }
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path().toStdString())) {
        EXPECT_TRUE(entry.is_regular_file());
        ++files;
    }
    EXPECT_EQ(files, 4u);
}

TEST(RuntimeFolder, DistrustsAFolderOthersMayEnter) {
    QTemporaryDir open;
    ASSERT_EQ(::chmod(open.path().toLocal8Bit().constData(), 0755), 0);
    QTemporaryDir tmp;
    EnvironmentGuard runtimeFolder("XDG_RUNTIME_DIR", open.path().toStdString());
    EnvironmentGuard temporaryFolder("TMPDIR", tmp.path().toStdString());

    const std::optional<std::string> folder = userRuntimeFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_NE(*folder, open.path().toStdString());
    EXPECT_EQ(folder->rfind(tmp.path().toStdString() + "/", 0), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(folder->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A fallback folder that someone else opened up is refused rather than used.
    ASSERT_EQ(::chmod(folder->c_str(), 0777), 0);
    EXPECT_FALSE(userRuntimeFolder().has_value());
    setLastError(0);
    EXPECT_EQ(hostNamedMutexes().createMutex(false, "refused"), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kAccessDenied);
}

TEST(FakeNamedMutexes, KeepsANameTakenWhileAnyHandleIsOpen) {
    vrx::test::FakeNamedMutexes fake;
    const Handle first = fake.createMutex(true, "m");
    EXPECT_EQ(lastError(), error::kSuccess);
    const Handle second = fake.createMutex(false, "m");
    EXPECT_EQ(lastError(), error::kAlreadyExists);
    closeHandle(first);
    EXPECT_TRUE(fake.isOpen("m"));
    closeHandle(second);
    EXPECT_FALSE(fake.isOpen("m"));

    fake.takenElsewhere["running"] = true;
    const Handle third = fake.createMutex(false, "running");
    EXPECT_EQ(lastError(), error::kAlreadyExists);
    closeHandle(third);
    fake.failWith = error::kAccessDenied;
    EXPECT_EQ(fake.createMutex(false, "x"), kInvalidHandle);
    EXPECT_EQ(fake.calls, 4);
}
