#include "Platform/os/IconTheme.h"

#include "Platform/os/ApplicationEntries.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdlib>
#include <optional>
#include <vector>

namespace vrx::os {

namespace {

/// The image types of a theme, in the order a name without one is tried.
const char* const kExtensions[] = {".png", ".svg", ".xpm"};

/// The icon size of a theme folder ("32x32", "32x32@2"), none for "scalable" and the like.
std::optional<int> folderSize(const QString& folder) {
    static const QRegularExpression sized(QStringLiteral("^(\\d+)x(\\d+)(@(\\d+))?$"));
    const auto match = sized.match(folder);
    if (!match.hasMatch())
        return std::nullopt;
    const int scale = match.captured(4).isEmpty() ? 1 : match.captured(4).toInt();
    return match.captured(1).toInt() * scale;
}

/// Whether a size is a better large icon than the best so far.
bool better(int size, std::optional<int> best) {
    if (!best)
        return true;
    const bool fits = size >= kLargeIconSize;
    const bool bestFits = *best >= kLargeIconSize;
    if (fits != bestFits)
        return fits;
    return fits ? size < *best : size > *best;
}

std::vector<QString> themeRoots() {
    std::vector<QString> roots;
    if (const char* home = std::getenv("HOME"); home && *home)
        roots.push_back(QString::fromUtf8(home) + "/.icons/hicolor");
    for (const std::string& data : dataDirectories())
        roots.push_back(QString::fromStdString(data) + "/icons/hicolor");
    return roots;
}

} // namespace

std::string iconThemeFile(const std::string& name) {
    // A name is a file name inside the theme, never a path that could leave it.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return {};
    const QString icon = QString::fromStdString(name);
    std::optional<int> bestSize;
    QString bestSized;
    QString scalable;
    for (const QString& root : themeRoots()) {
        const QDir theme(root);
        for (const QString& folder : theme.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const auto size = folderSize(folder);
            const QDir sizeFolder(theme.filePath(folder));
            for (const QString& context :
                 sizeFolder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
                for (const char* extension : kExtensions) {
                    const QString file = sizeFolder.filePath(context + "/" + icon + extension);
                    if (!QFileInfo(file).isFile())
                        continue;
                    if (size && better(*size, bestSize)) {
                        bestSize = size;
                        bestSized = file;
                    } else if (!size && scalable.isEmpty()) {
                        scalable = file;
                    }
                    break;
                }
            }
        }
        // The theme folder of higher precedence decides when it has the icon at all.
        if (bestSize || !scalable.isEmpty())
            break;
    }
    if (bestSize)
        return bestSized.toStdString();
    if (!scalable.isEmpty())
        return scalable.toStdString();
    for (const char* extension : kExtensions) {
        const QString file = QStringLiteral("/usr/share/pixmaps/") + icon + extension;
        if (QFileInfo(file).isFile())
            return file.toStdString();
    }
    return {};
}

} // namespace vrx::os
