#include "Platform/os/WindowMessages.h"
#include "Platform/os/Handles.h"

#include "tests/support/FakeWindowMessages.h"
#include "tests/support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace vrx::os;

namespace {

struct Received {
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;
    bool onMainThread = false;
    bool operator==(const Received& o) const {
        return message == o.message && wParam == o.wParam && lParam == o.lParam &&
               onMainThread == o.onMainThread;
    }
};

// The host's windows live in a runtime folder of the test's own.
class HostWindowMessagesTest : public ::testing::Test {
protected:
    WindowMessages::Registration registerRecording(const std::string& className,
                                                   const std::string& title) {
        return messages.registerWindow(
            className, title, [this](std::uint32_t m, std::uint32_t w, std::uint32_t l) {
                received.push_back(
                    {m, w, l, QThread::currentThread() == QCoreApplication::instance()->thread()});
            });
    }

    // Runs the event loop until `count` messages have arrived, for at most ten seconds.
    bool receive(std::size_t count) {
        const QDeadlineTimer deadline(10000);
        while (received.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return received.size() >= count;
    }

    std::string windowsFolder() const {
        return QDir(runtime.path()).filePath("vrx-windows").toStdString();
    }

    // A socket file that nobody listens on, as a crashed process leaves it behind.
    void leaveDeadSocket(const std::string& fileName) {
        ::mkdir(windowsFolder().c_str(), 0700);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = windowsFolder() + "/" + fileName;
        std::strcpy(address.sun_path, path.c_str());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }

    QTemporaryDir runtime;
    vrx::test::ScopedEnvironment runtimeDir{"XDG_RUNTIME_DIR", runtime.path().toUtf8()};
    WindowMessages& messages = hostWindowMessages();
    std::vector<Received> received;
};

} // namespace

TEST_F(HostWindowMessagesTest, FindsByTitleClassOrBothAndDeliversOnTheMainThread) {
    const auto registration = registerRecording("TfrmMain", "frmMain");
    ASSERT_NE(registration, 0u);

    const auto byBoth = messages.findWindow("TfrmMain", "frmMain");
    ASSERT_TRUE(byBoth);
    EXPECT_EQ(messages.findWindow("TfrmMain", std::nullopt), byBoth);
    EXPECT_EQ(messages.findWindow(std::nullopt, "frmMain"), byBoth);
    EXPECT_EQ(messages.findWindow("TFRMMAIN", "FRMMAIN"), byBoth); // case does not matter
    EXPECT_FALSE(messages.findWindow("TfrmMain", "frmConsole"));
    EXPECT_FALSE(messages.findWindow("TfrmConsole", "frmMain"));
    EXPECT_FALSE(messages.findWindow("TfrmMai", std::nullopt));

    EXPECT_TRUE(messages.postMessage(*byBoth, 0x0401, 1, 0xFFFFFFFFu));
    EXPECT_TRUE(messages.postMessage(*byBoth, 0x0402, 2, 3));
    ASSERT_TRUE(receive(2));
    EXPECT_EQ(received[0], (Received{0x0401, 1, 0xFFFFFFFFu, true}));
    EXPECT_EQ(received[1], (Received{0x0402, 2, 3, true}));
    messages.unregisterWindow(registration);
}

TEST_F(HostWindowMessagesTest, AnyTitleCanBeRegisteredAndFound) {
    const std::vector<std::string> titles = {
        "VORNEX_PERSONAL_FIREWALL", "VORNEX防火墙个人版", "a.b.c", "100%~ /\\ *?", "",
        std::string(300, 'x')};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        SCOPED_TRACE(titles[i]);
        const auto registration = registerRecording("TWindow", titles[i]);
        ASSERT_NE(registration, 0u);
        const auto window = messages.findWindow(std::nullopt, titles[i]);
        ASSERT_TRUE(window);
        ASSERT_TRUE(messages.postMessage(*window, static_cast<std::uint32_t>(i), 0, 0));
        ASSERT_TRUE(receive(i + 1));
        EXPECT_EQ(received.back().message, i); // the message reached this very window
        messages.unregisterWindow(registration);
    }
    // Texts that share a long prefix are still told apart.
    const auto one = registerRecording("TWindow", std::string(300, 'x') + "1");
    EXPECT_FALSE(messages.findWindow(std::nullopt, std::string(300, 'x') + "2"));
    messages.unregisterWindow(one);
}

TEST_F(HostWindowMessagesTest, AnUnregisteredWindowIsGone) {
    const auto registration = registerRecording("TfrmMain", "frmMain");
    const auto window = messages.findWindow("TfrmMain", "frmMain");
    ASSERT_TRUE(window);
    messages.unregisterWindow(registration);
    EXPECT_FALSE(messages.findWindow("TfrmMain", "frmMain"));
    EXPECT_FALSE(messages.postMessage(*window, 0x0401, 0, 0));
    EXPECT_EQ(lastError(), 1400u);
    EXPECT_TRUE(QDir(QString::fromStdString(windowsFolder())).isEmpty(QDir::System | QDir::Files));
}

TEST_F(HostWindowMessagesTest, AHandlerMayUnregisterItsOwnWindow) {
    WindowMessages::Registration registration = 0;
    int calls = 0;
    registration = messages.registerWindow("TfrmMain", "frmMain", [&](auto, auto, auto) {
        ++calls;
        messages.unregisterWindow(registration);
    });
    const auto window = messages.findWindow("TfrmMain", "frmMain");
    ASSERT_TRUE(window);
    ASSERT_TRUE(messages.postMessage(*window, 1, 0, 0));
    ASSERT_TRUE(messages.postMessage(*window, 2, 0, 0));
    const QDeadlineTimer deadline(10000);
    while (calls == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(calls, 1); // the second message found no window any more
    EXPECT_FALSE(messages.findWindow("TfrmMain", "frmMain"));
}

TEST_F(HostWindowMessagesTest, LeftOverSocketsAreNotFoundAndThoseOfDeadProcessesAreRemoved) {
    // No process has the largest pid; this process is alive and may still be starting.
    leaveDeadSocket("tleft.dead.2147483647.1");
    leaveDeadSocket("tleft.starting." + std::to_string(::getpid()) + ".1");
    EXPECT_FALSE(messages.findWindow("TLeft", "dead"));
    EXPECT_FALSE(messages.findWindow("TLeft", "starting"));
    EXPECT_FALSE(
        QFileInfo::exists(QString::fromStdString(windowsFolder() + "/tleft.dead.2147483647.1")));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(windowsFolder() + "/tleft.starting." +
                                                         std::to_string(::getpid()) + ".1")));
}

TEST_F(HostWindowMessagesTest, PostsOnlyIntoItsOwnWindowsFolder) {
    const auto registration = registerRecording("TfrmMain", "frmMain");
    const auto window = messages.findWindow("TfrmMain", "frmMain");
    ASSERT_TRUE(window);
    // The same socket reached through another path is not an address this service made.
    const std::string detour =
        QDir(runtime.path()).filePath("../").toStdString() +
        QFileInfo(runtime.path()).fileName().toStdString() + "/vrx-windows/" +
        QFileInfo(QString::fromStdString(window->endpoint)).fileName().toStdString();
    EXPECT_FALSE(messages.postMessage(WindowAddress{detour}, 1, 0, 0));
    EXPECT_FALSE(messages.postMessage(WindowAddress{"/tmp/elsewhere.x.1.1"}, 1, 0, 0));
    EXPECT_FALSE(messages.postMessage(WindowAddress{""}, 1, 0, 0));
    messages.unregisterWindow(registration);
}

TEST_F(HostWindowMessagesTest, ARuntimeFolderOthersCanReachIsNotUsed) {
    ASSERT_TRUE(QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ExeOwner | QFile::ReadOther |
                                                          QFile::ExeOther));
    vrx::test::ScopedEnvironment tmp{"TMPDIR", runtime.path().toUtf8()};
    const auto registration = registerRecording("TfrmMain", "frmMain");
    ASSERT_NE(registration, 0u);
    // The window went to the private fallback folder, not into the open one.
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(windowsFolder())));
    EXPECT_TRUE(QFileInfo::exists(runtime.path() + "/vornex-" + QString::number(::geteuid()) +
                                  "/vrx-windows"));
    messages.unregisterWindow(registration);
}

// Across processes: the peer program is a second process of the same user.
class CrossProcessWindowMessagesTest : public HostWindowMessagesTest {
protected:
    static QString peer() { return QStringLiteral(VRX_WINDOW_MESSAGES_PEER); }
};

TEST_F(CrossProcessWindowMessagesTest, AnotherProcessPostsToOurWindow) {
    const std::string title = "VORNEX防火墙个人版";
    const auto registration = registerRecording("TfrmMain", title);
    ASSERT_NE(registration, 0u);
    QProcess poster;
    poster.start(peer(), {"post", QString::fromStdString(title), "3024", "17", "4000000000"});
    ASSERT_TRUE(poster.waitForFinished(10000));
    EXPECT_EQ(poster.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(poster.exitCode(), 0);
    ASSERT_TRUE(receive(1));
    EXPECT_EQ(received[0], (Received{3024, 17, 4000000000u, true}));
    messages.unregisterWindow(registration);
}

TEST_F(CrossProcessWindowMessagesTest, APostToAMissingWindowFindsNothing) {
    QProcess poster;
    poster.start(peer(), {"post", "VORNEX_PERSONAL_FIREWALL", "3024", "0", "0"});
    ASSERT_TRUE(poster.waitForFinished(10000));
    EXPECT_EQ(poster.exitCode(), 3);
}

TEST_F(CrossProcessWindowMessagesTest, WePostToAnotherProcessesWindow) {
    QProcess receiver;
    receiver.start(peer(), {"receive", "TApplication", "VORNEX_PERSONAL_FIREWALL"});
    ASSERT_TRUE(receiver.waitForStarted(10000));
    while (!receiver.canReadLine() && receiver.waitForReadyRead(10000)) {
    }
    ASSERT_EQ(receiver.readLine().trimmed(), "ready");

    const auto window = messages.findWindow(std::nullopt, "VORNEX_PERSONAL_FIREWALL");
    ASSERT_TRUE(window);
    EXPECT_EQ(messages.findWindow("TApplication", std::nullopt), window);
    ASSERT_TRUE(messages.postMessage(*window, 0x0BD1, 0, 0));
    ASSERT_TRUE(receiver.waitForFinished(10000));
    EXPECT_EQ(receiver.exitCode(), 0);
    EXPECT_EQ(receiver.readAllStandardOutput().trimmed(), "3025 0 0");
    // The peer unregistered as it ended: its window is gone with it.
    EXPECT_FALSE(messages.findWindow(std::nullopt, "VORNEX_PERSONAL_FIREWALL"));
}

TEST(FakeWindowMessages, RecordsPostsAndDeliversThemOnlyWhenPumped) {
    FakeWindowMessages messages;
    std::vector<std::uint32_t> handled;
    const auto main = messages.registerWindow(
        "TfrmMain", "frmMain",
        [&](std::uint32_t m, std::uint32_t, std::uint32_t) { handled.push_back(m); });
    const WindowAddress other =
        messages.addForeignWindow("TApplication", "VORNEX_PERSONAL_FIREWALL");

    EXPECT_EQ(messages.findWindow(std::nullopt, "vornex_personal_firewall"), other);
    const auto window = messages.findWindow("TfrmMain", "frmMain");
    ASSERT_TRUE(window);
    EXPECT_TRUE(messages.postMessage(*window, 0x0401, 0, 0));
    EXPECT_TRUE(messages.postMessage(other, 0x0BD0, 0, 0));
    EXPECT_TRUE(handled.empty());
    EXPECT_EQ(messages.deliverPosted(), 2u);
    EXPECT_EQ(handled, std::vector<std::uint32_t>{0x0401});
    EXPECT_EQ(messages.posted(), (std::vector<FakeWindowMessages::Posted>{{*window, 0x0401, 0, 0},
                                                                          {other, 0x0BD0, 0, 0}}));

    messages.unregisterWindow(main);
    EXPECT_FALSE(messages.findWindow("TfrmMain", std::nullopt));
    EXPECT_FALSE(messages.postMessage(*window, 0x0401, 0, 0));
    EXPECT_EQ(messages.posted().size(), 2u);
}
