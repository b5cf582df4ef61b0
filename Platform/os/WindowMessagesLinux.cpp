#include "Platform/os/WindowMessages.h"

#include "Platform/os/Handles.h"
#include "Platform/os/PrivateFolder.h"
#include "Platform/os/RuntimeFolder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace vrx::os {

namespace {

// A registered window is a listening local socket in the folder below. Its file name is
// "<class>.<title>.<pid>.<nonce>", so that a search needs nothing but the folder listing and
// the sender nothing but the path. A message is three 32-bit values in the host's byte order.
constexpr char kWindowsFolderName[] = "vrx-windows";
constexpr std::size_t kMessageSize = 3 * sizeof(std::uint32_t);
constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;

// Class names and titles are matched without regard to case, as the platform does, so the
// name part holds the case-folded text. Short texts are kept readable (percent-encoded, with
// the separator '.' and the marker '~' encoded too); longer ones become '~' and a digest, so
// that any text, Chinese titles included, fits the socket path limit.
constexpr qsizetype kReadablePartLimit = 24;
constexpr qsizetype kDigestBytes = 12;

QByteArray encodePart(const std::string& text) {
    const QByteArray folded = QString::fromStdString(text).toCaseFolded().toUtf8();
    const QByteArray readable = folded.toPercentEncoding(QByteArray(), ".~");
    if (readable.size() <= kReadablePartLimit)
        return readable;
    return '~' + QCryptographicHash::hash(folded, QCryptographicHash::Sha256)
                     .left(kDigestBytes)
                     .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

struct WindowName {
    QByteArray classPart;
    QByteArray titlePart;
    pid_t pid = 0;
};

std::optional<WindowName> parseName(const std::string& fileName) {
    const QList<QByteArray> parts = QByteArray::fromStdString(fileName).split('.');
    if (parts.size() != 4)
        return std::nullopt;
    bool ok = false;
    const long pid = parts[2].toLong(&ok);
    if (!ok || pid <= 0)
        return std::nullopt;
    return WindowName{parts[0], parts[1], static_cast<pid_t>(pid)};
}

std::optional<std::string> windowsFolder() {
    const auto runtime = userRuntimeFolder();
    if (!runtime)
        return std::nullopt;
    return privateSubfolder(*runtime, kWindowsFolderName);
}

bool fitsSocketAddress(const std::string& path) {
    return path.size() < sizeof(sockaddr_un::sun_path);
}

enum class Probe { Connected, Refused, Failed };

// Connects without ever blocking: a listener whose queue is full reports EAGAIN at once.
Probe connectTo(const std::string& path, int& descriptor) {
    descriptor = -1;
    if (!fitsSocketAddress(path))
        return Probe::Failed;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Probe::Failed;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        const int cause = errno;
        ::close(fd);
        return cause == ECONNREFUSED || cause == ENOENT ? Probe::Refused : Probe::Failed;
    }
    descriptor = fd;
    return Probe::Connected;
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool peerIsThisUser(qintptr descriptor) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0)
        return false;
    return credentials.uid == ::geteuid();
}

class HostWindowMessages final : public WindowMessages {
public:
    Registration registerWindow(const std::string& className, const std::string& title,
                                Handler handler) override {
        // The server lives with the application object, so that it is closed, and its socket
        // file removed, when the application goes, whatever happens to this registry.
        QCoreApplication* application = QCoreApplication::instance();
        const auto folder = windowsFolder();
        if (!application || !folder)
            return 0;
        const std::string path =
            *folder + "/" + encodePart(className).toStdString() + "." +
            encodePart(title).toStdString() + "." + std::to_string(::getpid()) + "." +
            QByteArray::number(QRandomGenerator::global()->generate(), 16).toStdString();
        if (!fitsSocketAddress(path))
            return 0;
        auto* server = new QLocalServer(application);
        if (!server->listen(QString::fromStdString(path))) {
            delete server;
            return 0;
        }
        const Registration registration = next_++;
        QObject::connect(server, &QLocalServer::newConnection, server,
                         [this, registration, server] { accept(registration, *server); });
        windows_[registration] = Window{server, std::move(handler), path};
        return registration;
    }

    void unregisterWindow(Registration registration) override {
        const auto it = windows_.find(registration);
        if (it == windows_.end())
            return;
        if (QLocalServer* server = it->second.server) {
            server->close();
            // Deferred: the call may come from a handler that runs inside the server's socket.
            server->deleteLater();
        }
        ::unlink(it->second.path.c_str());
        windows_.erase(it);
    }

    std::optional<WindowAddress> findWindow(const std::optional<std::string>& className,
                                            const std::optional<std::string>& title) override {
        const auto folder = windowsFolder();
        if (!folder)
            return std::nullopt;
        const auto wantedClass = className ? std::optional(encodePart(*className)) : std::nullopt;
        const auto wantedTitle = title ? std::optional(encodePart(*title)) : std::nullopt;

        struct Candidate {
            std::filesystem::file_time_type created;
            std::string path;
            pid_t pid;
        };
        std::vector<Candidate> candidates;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(*folder, error)) {
            if (!entry.is_socket(error))
                continue;
            const auto name = parseName(entry.path().filename().string());
            if (!name || (wantedClass && name->classPart != *wantedClass) ||
                (wantedTitle && name->titlePart != *wantedTitle))
                continue;
            candidates.push_back({entry.last_write_time(error), entry.path().string(), name->pid});
        }
        // The newest registration first, as the most recently created window lies on top.
        std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
            return a.created != b.created ? a.created > b.created : a.path < b.path;
        });
        for (const Candidate& candidate : candidates) {
            int descriptor = -1;
            switch (connectTo(candidate.path, descriptor)) {
            case Probe::Connected:
                ::close(descriptor);
                return WindowAddress{candidate.path};
            case Probe::Refused:
                // Nobody listens. The file is left over only when its process has gone; a
                // process that is still there may be between creating and opening its socket.
                if (!processExists(candidate.pid))
                    ::unlink(candidate.path.c_str());
                break;
            case Probe::Failed:
                // Someone listens but cannot take a connection now: the window is there.
                return WindowAddress{candidate.path};
            }
        }
        return std::nullopt;
    }

    bool postMessage(const WindowAddress& window, std::uint32_t message, std::uint32_t wParam,
                     std::uint32_t lParam) override {
        // Only our own windows folder is ever addressed, whatever address a caller hands in.
        const auto folder = windowsFolder();
        const std::filesystem::path path(window.endpoint);
        int descriptor = -1;
        if (!folder || path.parent_path() != *folder || !parseName(path.filename().string()) ||
            connectTo(window.endpoint, descriptor) != Probe::Connected) {
            setLastError(kErrorInvalidWindowHandle);
            return false;
        }
        const std::array<std::uint32_t, 3> record{message, wParam, lParam};
        const ssize_t written = ::send(descriptor, record.data(), kMessageSize, MSG_NOSIGNAL);
        ::close(descriptor);
        if (written != static_cast<ssize_t>(kMessageSize)) {
            setLastError(kErrorInvalidWindowHandle);
            return false;
        }
        return true;
    }

private:
    struct Window {
        QPointer<QLocalServer> server;
        Handler handler;
        std::string path;
    };

    void accept(Registration registration, QLocalServer& server) {
        while (QLocalSocket* peer = server.nextPendingConnection()) {
            if (!peerIsThisUser(peer->socketDescriptor())) {
                peer->abort();
                peer->deleteLater();
                continue;
            }
            QObject::connect(peer, &QLocalSocket::readyRead, peer,
                             [this, registration, peer] { deliver(registration, *peer); });
            QObject::connect(peer, &QLocalSocket::disconnected, peer, [this, registration, peer] {
                deliver(registration, *peer);
                peer->deleteLater();
            });
            deliver(registration, *peer);
        }
    }

    // Runs on the main thread, from the event loop. The handler is looked up for every
    // message, since a handler may unregister its own window.
    void deliver(Registration registration, QLocalSocket& peer) {
        while (peer.bytesAvailable() >= static_cast<qint64>(kMessageSize)) {
            std::array<std::uint32_t, 3> record{};
            if (peer.read(reinterpret_cast<char*>(record.data()), kMessageSize) !=
                static_cast<qint64>(kMessageSize))
                return;
            const auto it = windows_.find(registration);
            if (it == windows_.end())
                return;
            const Handler handler = it->second.handler;
            if (handler)
                handler(record[0], record[1], record[2]);
        }
    }

    std::map<Registration, Window> windows_;
    Registration next_ = 1;
};

} // namespace

WindowMessages& hostWindowMessages() {
    static HostWindowMessages messages;
    return messages;
}

} // namespace vrx::os
