#include "Platform/os/Registry.h"

#include "Platform/os/DesktopEntry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>

namespace vrx::os {

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kEntryPrefix[] = "vornex-run-";
constexpr char kRunValueKey[] = "X-Vornex-RunValue";
constexpr qsizetype kReadableNameLimit = 160;
constexpr std::uint32_t kRegExpandSz = 2;

/// An open handle on the Run key, with the rights it was opened for.
class RunKey final : public HandleObject {
public:
    explicit RunKey(std::uint32_t access) : access(access) {}
    const std::uint32_t access;
};

bool isPredefinedRoot(Handle root) {
    return root >= 0x80000000u && root <= 0x80000006u;
}

QString autostartFolder() {
    // A relative $XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + "/.config";
    return config + "/autostart";
}

// Value names are compared without regard to case, so the file of a value is named after its
// case-folded name: percent-encoded so that any character is safe in a file name, and a digest
// when the name is too long for one.
QString entryPath(const std::string& name) {
    const QByteArray folded = QString::fromStdString(name).toCaseFolded().toUtf8();
    QByteArray stem = folded.toPercentEncoding(QByteArray(), ".~");
    if (stem.size() > kReadableNameLimit)
        stem = '~' + QCryptographicHash::hash(folded, QCryptographicHash::Sha256).toHex().left(32);
    return autostartFolder() + "/" + kEntryPrefix + QString::fromLatin1(stem) + ".desktop";
}

bool sameName(const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

/// The program a value names, read back from its entry; empty when the entry is missing, was
/// not written for this value, or is marked as removed (Hidden=true).
std::optional<std::string> readEntry(const std::string& name) {
    QFile file(entryPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto entry = parseDesktopEntry(file.readAll().toStdString());
    const auto owner = entry.find(kRunValueKey);
    const auto exec = entry.find("Exec");
    const auto hidden = entry.find("Hidden");
    if (owner == entry.end() || !sameName(owner->second, name) || exec == entry.end() ||
        (hidden != entry.end() && hidden->second == "true"))
        return std::nullopt;
    return programOfExec(exec->second);
}

class HostRegistry final : public Registry {
public:
    std::int32_t openKey(Handle root, const std::string& subKey, std::uint32_t access,
                         Handle& key) override {
        key = kInvalidHandle;
        if (!isPredefinedRoot(root))
            return error::kInvalidHandle;
        const bool isRunKey = (root == kHkeyLocalMachine || root == kHkeyCurrentUser) &&
                              QString::fromStdString(subKey).compare(QLatin1String(kRunKey),
                                                                     Qt::CaseInsensitive) == 0;
        if (!isRunKey)
            return error::kFileNotFound;
        key = HandleTable::instance().insert(std::make_shared<RunKey>(access));
        return error::kSuccess;
    }

    std::int32_t queryValue(Handle key, const std::string& name, RegistryValue& value) override {
        const auto runKey = HandleTable::instance().get<RunKey>(key);
        if (!runKey)
            return error::kInvalidHandle;
        if ((runKey->access & kKeyQueryValue) == 0)
            return error::kAccessDenied;
        const auto program = readEntry(name);
        if (!program)
            return error::kFileNotFound;
        value = RegistryValue{kRegSz, *program};
        return error::kSuccess;
    }

    std::int32_t setValue(Handle key, const std::string& name,
                          const RegistryValue& value) override {
        const auto runKey = HandleTable::instance().get<RunKey>(key);
        if (!runKey)
            return error::kInvalidHandle;
        if ((runKey->access & kKeySetValue) == 0)
            return error::kAccessDenied;
        // A Run value names a program to start; only text can do that.
        if (value.type != kRegSz && value.type != kRegExpandSz)
            return error::kInvalidParameter;
        std::string program = value.data;
        while (!program.empty() && program.back() == '\0')
            program.pop_back();

        if (!QDir().mkpath(autostartFolder()))
            return error::kAccessDenied;
        const std::string text = "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=" +
                                 escapeDesktopString(name) +
                                 "\n"
                                 "Exec=" +
                                 execOfProgram(program) + "\n" + kRunValueKey + "=" +
                                 escapeDesktopString(name) + "\n";
        QSaveFile file(entryPath(name));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), static_cast<qint64>(text.size())) !=
                static_cast<qint64>(text.size()) ||
            !file.commit())
            return error::kAccessDenied;
        return error::kSuccess;
    }

    std::int32_t deleteValue(Handle key, const std::string& name) override {
        const auto runKey = HandleTable::instance().get<RunKey>(key);
        if (!runKey)
            return error::kInvalidHandle;
        if ((runKey->access & kKeySetValue) == 0)
            return error::kAccessDenied;
        // Only an entry written for this value is removed; any other file is left alone.
        if (!readEntry(name))
            return error::kFileNotFound;
        return QFile::remove(entryPath(name)) ? error::kSuccess : error::kAccessDenied;
    }

    std::int32_t closeKey(Handle key) override {
        if (!HandleTable::instance().get<RunKey>(key))
            return error::kInvalidHandle;
        HandleTable::instance().close(key);
        return error::kSuccess;
    }
};

} // namespace

Registry& hostRegistry() {
    static HostRegistry registry;
    return registry;
}

} // namespace vrx::os
