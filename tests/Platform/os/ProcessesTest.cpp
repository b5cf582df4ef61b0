#include "Platform/os/Processes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vrx::os;

namespace {

std::string ownExecutable() {
    return QCoreApplication::applicationFilePath().toStdString();
}

const std::uint32_t kOpenAccess = kProcessQueryInformation | kProcessVmRead;

std::vector<std::string> moduleNames(Processes& processes, Handle process) {
    std::uint32_t modules[512] = {};
    std::uint32_t needed = 0;
    EXPECT_TRUE(processes.enumProcessModules(process, modules, sizeof modules, needed));
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(needed / 4, 512); ++i) {
        char name[kMaxPath] = {};
        EXPECT_GT(processes.getModuleFileNameEx(process, modules[i], name, kMaxPath), 0u);
        names.emplace_back(name);
    }
    return names;
}

/// The entry of pid in a fresh snapshot, or an entry with process id 0.
ProcessEntry32 snapshotEntryOf(Processes& processes, std::uint32_t pid) {
    const Handle snapshot = processes.createToolhelp32Snapshot(kSnapProcess, 0);
    EXPECT_NE(snapshot, kInvalidHandle);
    ProcessEntry32 entry;
    entry.dwSize = sizeof entry;
    for (bool more = processes.process32First(snapshot, entry); more;
         more = processes.process32Next(snapshot, entry)) {
        if (entry.th32ProcessID == pid) {
            EXPECT_TRUE(closeHandle(snapshot));
            return entry;
        }
    }
    EXPECT_EQ(lastError(), error::kNoMoreFiles);
    EXPECT_TRUE(closeHandle(snapshot));
    return ProcessEntry32{};
}

} // namespace

TEST(HostProcesses, ListsThisProcessExecutableFirstThenItsSharedObjects) {
    Processes& processes = hostProcesses();
    const Handle process = processes.openProcess(kOpenAccess, false, ::getpid());
    ASSERT_NE(process, kInvalidHandle);

    const auto names = moduleNames(processes, process);
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], ownExecutable());
    EXPECT_TRUE(std::any_of(names.begin() + 1, names.end(), [](const std::string& n) {
        return n.find("libc.so") != std::string::npos;
    }));
    EXPECT_EQ(std::count(names.begin(), names.end(), names[0]), 1);
    // The handles name the same modules on every call for one opened process.
    EXPECT_EQ(moduleNames(processes, process), names);

    // A short buffer receives as much of the name as fits, terminated.
    std::uint32_t first = 0, needed = 0;
    ASSERT_TRUE(processes.enumProcessModules(process, &first, 4, needed));
    EXPECT_EQ(needed, names.size() * 4);
    char shortName[6] = {};
    EXPECT_EQ(processes.getModuleFileNameEx(process, first, shortName, sizeof shortName), 5u);
    EXPECT_EQ(std::string(shortName), names[0].substr(0, 5));

    EXPECT_TRUE(closeHandle(process));
    setLastError(0);
    EXPECT_FALSE(processes.enumProcessModules(process, &first, 4, needed));
    EXPECT_EQ(lastError(), error::kInvalidHandle);
}

TEST(HostProcesses, ProcessZeroAndEndedProcessesCannotBeOpened) {
    Processes& processes = hostProcesses();
    QProcess child;
    child.start("/bin/true", {});
    ASSERT_TRUE(child.waitForFinished(10000));
    const auto ended = static_cast<std::uint32_t>(child.processId());

    for (const std::uint32_t pid : {0u, ended, 0x7FFFFFFFu}) {
        setLastError(0);
        EXPECT_EQ(processes.openProcess(kOpenAccess, false, pid), kInvalidHandle) << pid;
        EXPECT_EQ(lastError(), error::kInvalidParameter) << pid;
    }
}

TEST(HostProcesses, AProcessWhoseExecutableIsUnreadableIsAccessDenied) {
    // Kernel threads and other users' processes have no readable executable link.
    std::uint32_t hidden = 0;
    std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    while (const dirent* item = ::readdir(proc.get())) {
        const std::string name = item->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        char target[8];
        if (::readlink(("/proc/" + name + "/exe").c_str(), target, sizeof target) < 0) {
            hidden = static_cast<std::uint32_t>(std::stoul(name));
            break;
        }
    }
    if (hidden == 0)
        GTEST_SKIP() << "every process's executable is readable here";
    setLastError(0);
    EXPECT_EQ(hostProcesses().openProcess(kOpenAccess, false, hidden), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kAccessDenied);
    // The snapshot still lists it, without an executable name.
    const ProcessEntry32 entry = snapshotEntryOf(hostProcesses(), hidden);
    EXPECT_EQ(entry.th32ProcessID, hidden);
    EXPECT_STREQ(entry.szExeFile, "");
}

TEST(HostProcesses, LongPathIsThePathResolvedThroughLinks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string real = QDir(dir.path()).canonicalPath().toStdString() + "/real-file";
    std::ofstream(real) << "x";
    const std::string link = dir.path().toStdString() + "/L";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);

    Processes& processes = hostProcesses();
    char buffer[kMaxPath] = {};
    EXPECT_EQ(processes.getLongPathName(link, buffer, kMaxPath), real.size());
    EXPECT_EQ(std::string(buffer), real);

    // Too small: the size needed with the terminator, and the buffer untouched.
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(processes.getLongPathName(link, small, real.size()), real.size() + 1);
    EXPECT_EQ(small[0], '#');
    EXPECT_EQ(processes.getLongPathName(link, small, 0), real.size() + 1);

    setLastError(0);
    EXPECT_EQ(processes.getLongPathName(link + "-missing", buffer, kMaxPath), 0u);
    EXPECT_EQ(lastError(), error::kFileNotFound);
}

TEST(HostProcesses, SnapshotNamesEachProcessByItsExecutable) {
    const ProcessEntry32 self = snapshotEntryOf(hostProcesses(), ::getpid());
    EXPECT_EQ(self.th32ProcessID, static_cast<std::uint32_t>(::getpid()));
    EXPECT_EQ(std::string(self.szExeFile), ownExecutable());
    EXPECT_EQ(self.th32ParentProcessID, static_cast<std::uint32_t>(::getppid()));
    EXPECT_GE(self.cntThreads, 1u);
    EXPECT_EQ(self.dwSize, sizeof(ProcessEntry32));

    // An entry whose size field is not set is refused.
    const Handle snapshot = hostProcesses().createToolhelp32Snapshot(kSnapProcess, 0);
    ProcessEntry32 unsized;
    setLastError(0);
    EXPECT_FALSE(hostProcesses().process32First(snapshot, unsized));
    EXPECT_EQ(lastError(), error::kInvalidParameter);
    EXPECT_TRUE(closeHandle(snapshot));
}

TEST(HostProcesses, SnapshotCutsALongExecutablePathWithoutSplittingACharacter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Folders of two-byte characters make the path longer than an entry holds, with the cut
    // falling inside a character for one of the two offsets.
    QString folder = dir.path();
    for (int i = 0; i < 4; ++i)
        folder += "/" + QString(40, QChar(0x00E4)) + QString(i % 2 ? "x" : "");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + "/sleeper";
    ASSERT_TRUE(QFile::copy("/bin/sleep", program));
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));

    QProcess child;
    child.start(program, {"30"});
    ASSERT_TRUE(child.waitForStarted(10000));
    const ProcessEntry32 entry =
        snapshotEntryOf(hostProcesses(), static_cast<std::uint32_t>(child.processId()));
    child.kill();
    child.waitForFinished(10000);

    const std::string full = QFileInfo(program).canonicalFilePath().toStdString();
    ASSERT_GT(full.size(), kMaxPath);
    const std::string name = entry.szExeFile;
    EXPECT_GE(name.size(), kMaxPath - 2);
    EXPECT_LE(name.size(), kMaxPath - 1);
    EXPECT_EQ(full.compare(0, name.size(), name), 0);
    EXPECT_TRUE(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toUtf8() ==
                QByteArray::fromStdString(name))
        << "the cut split a character";
}
