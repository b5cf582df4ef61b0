#include "Platform/os/Shell.h"

#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace vrx::os;

namespace {

// The desktop's handler is a script of the test's own that writes its arguments and its
// working folder into a record file, so no desktop program is ever started.
class HostShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(bin()));
        writeRecorder(bin() + "/xdg-open");
    }

    QString bin() const { return dir.path() + "/bin"; }
    QString record() const { return dir.path() + "/record"; }

    void writeRecorder(const QString& path) const {
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(
            "#!/bin/sh\n"
            "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > \"$RECORD.part\"\n"
            "mv \"$RECORD.part\" \"$RECORD\"\n");
        script.close();
        ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // What the started program recorded, waiting at most ten seconds for it.
    QStringList recorded() const {
        const QDeadlineTimer deadline(10000);
        while (!QFile::exists(record()) && !deadline.hasExpired())
            QThread::msleep(10);
        QFile file(record());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    vrx::test::ScopedEnvironment path{"PATH", (dir.path() + "/bin:/usr/bin:/bin").toUtf8()};
    vrx::test::ScopedEnvironment recordFile{"RECORD", (dir.path() + "/record").toUtf8()};
    Shell& shell = hostShell();
};

} // namespace

TEST_F(HostShellTest, AWebAddressGoesToTheDesktopsHandler) {
    const std::string address = "http://www.vornex.invalid/main/view.php?cid=183";
    EXPECT_GT(shell.shellExecute(std::nullopt, address, std::nullopt, std::nullopt, kSwShowNormal),
              32u);
    const QStringList lines = recorded();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], "[" + QString::fromStdString(address) + "]");
}

TEST_F(HostShellTest, FilesAndFoldersGoToTheDesktopsHandlerByTheirFullPath) {
    QFile document(dir.path() + "/读我 1.txt");
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.close();
    for (const QString& target : {document.fileName(), dir.path()}) {
        QFile::remove(record());
        EXPECT_GT(shell.shellExecute("open", target.toStdString(), std::nullopt, std::nullopt,
                                     kSwShowNormal),
                  32u);
        EXPECT_EQ(recorded().value(1), "[" + target + "]");
    }
}

TEST_F(HostShellTest, AProgramIsStartedWithItsParametersAndFolder) {
    const QString program = dir.path() + "/NetFixup.Exe";
    writeRecorder(program);
    const QString folder = QDir(dir.path()).filePath("work");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_GT(shell.shellExecute(std::nullopt, program.toStdString(), "one \"two three\"",
                                 folder.toStdString(), kSwShowNormal),
              32u);
    EXPECT_EQ(recorded(), (QStringList{folder, "[one]", "[two three]"}));
}

TEST_F(HostShellTest, FailuresAreReportedWithoutStartingAnything) {
    EXPECT_EQ(shell.shellExecute(std::nullopt, (dir.path() + "/missing.txt").toStdString(),
                                 std::nullopt, std::nullopt, kSwShowNormal),
              2u);
    EXPECT_EQ(shell.shellExecute(std::nullopt, "", std::nullopt, std::nullopt, kSwShowNormal), 2u);
    EXPECT_EQ(shell.shellExecute("print", dir.path().toStdString(), std::nullopt, std::nullopt,
                                 kSwShowNormal),
              31u);
    {
        // No handler on the PATH.
        vrx::test::ScopedEnvironment bare{"PATH", (dir.path() + "/nothing").toUtf8()};
        EXPECT_EQ(shell.shellExecute(std::nullopt, "https://www.vornex.invalid/", std::nullopt,
                                     std::nullopt, kSwShowNormal),
                  31u);
    }
}
