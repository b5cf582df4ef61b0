#include "Platform/os/Shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>

namespace vrx::os {

namespace {

// The platform's results: above 32 is success; below, the reason.
constexpr std::uint32_t kStarted = 42;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kNoAssociation = 31;

// "scheme:" with a scheme of at least two characters, so a drive letter is no address.
bool isAddress(const QString& target) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

bool isDefaultVerb(const std::optional<std::string>& verb) {
    if (!verb || verb->empty())
        return true;
    const QString name = QString::fromStdString(*verb);
    return name.compare(QLatin1String("open"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("explore"), Qt::CaseInsensitive) == 0;
}

// The desktop's default handler, found on the PATH at every call.
std::uint32_t openWithDesktop(const QString& target, const QString& directory) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return kNoAssociation;
    return QProcess::startDetached(opener, {target}, directory) ? kStarted : kNoAssociation;
}

// Opens a file, folder or web address as the desktop would, and never waits for what it
// started: a program is run, anything else goes to the desktop's default handler.
class HostShell final : public Shell {
public:
    std::uint32_t shellExecute(const std::optional<std::string>& verb, const std::string& file,
                               const std::optional<std::string>& parameters,
                               const std::optional<std::string>& directory, int) override {
        if (!isDefaultVerb(verb))
            return kNoAssociation;
        const QString target = QString::fromStdString(file);
        const QString workingFolder = QString::fromStdString(directory.value_or(std::string()));
        const QFileInfo info(target);
        if (target.isEmpty())
            return kFileNotFound;
        if (!info.exists())
            return isAddress(target) ? openWithDesktop(target, workingFolder) : kFileNotFound;
        if (info.isFile() && info.isExecutable()) {
            const QStringList arguments =
                QProcess::splitCommand(QString::fromStdString(parameters.value_or(std::string())));
            return QProcess::startDetached(info.absoluteFilePath(), arguments, workingFolder)
                       ? kStarted
                       : kAccessDenied;
        }
        return openWithDesktop(info.absoluteFilePath(), workingFolder);
    }
};

} // namespace

Shell& hostShell() {
    static HostShell shell;
    return shell;
}

} // namespace vrx::os
