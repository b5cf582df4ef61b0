#include "Platform/os/ApplicationEntries.h"

#include "Platform/os/DesktopEntry.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <unistd.h>

namespace vrx::os {

namespace {

using Keys = std::map<std::string, std::string>;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(separator, start), text.size());
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string canonical(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
}

/// The program that an Exec value starts: its first argument, past an "env" with its
/// assignments and options.
std::string execProgram(const std::string& exec) {
    const auto arguments = execArguments(exec);
    if (!arguments)
        return {};
    std::size_t i = 0;
    const auto& words = *arguments;
    if (i < words.size() && (words[i] == "env" || words[i] == "/usr/bin/env")) {
        ++i;
        while (i < words.size() && !words[i].empty() &&
               (words[i].find('=') != std::string::npos || words[i][0] == '-'))
            ++i;
    }
    return i < words.size() ? words[i] : std::string{};
}

/// A program name as a file: an absolute path as it is, a bare name through $PATH; resolved
/// through links. Empty when there is no such executable file.
std::string resolveProgram(const std::string& program, const std::vector<std::string>& path) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return program[0] == '/' ? canonical(program) : std::string{};
    for (const std::string& folder : path) {
        const std::string candidate = folder + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return canonical(candidate);
    }
    return {};
}

/// The locale names under which a translated key is looked up, most specific first, from
/// LC_ALL, LC_MESSAGES or LANG ("zh_CN.UTF-8" → "zh_CN", "zh").
std::vector<std::string> localeNames() {
    std::string locale = environment("LC_ALL");
    if (locale.empty())
        locale = environment("LC_MESSAGES");
    if (locale.empty())
        locale = environment("LANG");
    locale = locale.substr(0, locale.find_first_of(".@"));
    std::vector<std::string> names;
    if (locale.empty() || locale == "C" || locale == "POSIX")
        return names;
    names.push_back(locale);
    const auto underscore = locale.find('_');
    if (underscore != std::string::npos)
        names.push_back(locale.substr(0, underscore));
    return names;
}

std::string value(const Keys& keys, const std::string& key) {
    const auto it = keys.find(key);
    return it == keys.end() ? std::string{} : it->second;
}

std::string localised(const Keys& keys, const std::string& key,
                      const std::vector<std::string>& locales) {
    for (const std::string& locale : locales)
        if (const auto it = keys.find(key + "[" + locale + "]"); it != keys.end())
            return it->second;
    return value(keys, key);
}

/// One entry file as last read, with the programs it names resolved through the $PATH of
/// that time.
struct CachedEntry {
    qint64 modified = 0;
    qint64 size = -1;
    Keys keys;
    std::string pathUsed = "\x01"; // never a real $PATH: not resolved yet
    std::string program;           // the Exec program, resolved
    std::string tryExec;           // TryExec, resolved
};

/// The entry files of the data folders, each parsed again only when its modification time or
/// size changed, so a lookup costs a walk of the folders and a stat of each file.
class EntryIndex {
public:
    std::optional<ApplicationEntry> find(const std::string& target) {
        std::lock_guard guard(lock_);
        const std::string pathText = environment("PATH");
        const auto path = split(pathText, ':');
        const auto locales = localeNames();
        std::set<QString> seenIds;
        std::map<std::string, CachedEntry> kept;
        std::optional<ApplicationEntry> found;
        for (const std::string& data : dataDirectories()) {
            const QString root = QString::fromStdString(data) + "/applications/";
            QDirIterator files(root, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
            std::vector<QString> paths;
            while (files.hasNext())
                paths.push_back(files.next());
            std::sort(paths.begin(), paths.end());
            for (const QString& file : paths) {
                // The id is the path below applications/ with '/' as '-'; the first folder
                // that has an id decides for it.
                QString id = file.mid(root.size());
                id.replace('/', '-');
                if (!seenIds.insert(id).second)
                    continue;
                CachedEntry& entry = kept[file.toStdString()] = take(file);
                if (found || !launches(entry, target, pathText, path))
                    continue;
                ApplicationEntry result;
                result.file = file.toStdString();
                result.name = localised(entry.keys, "Name", locales);
                result.comment = localised(entry.keys, "Comment", locales);
                result.icon = value(entry.keys, "Icon");
                found = std::move(result);
            }
        }
        cache_ = std::move(kept); // entries that are gone are forgotten
        return found;
    }

private:
    /// The cached entry of a file, read again when it changed.
    CachedEntry take(const QString& file) {
        const QFileInfo info(file);
        const qint64 modified = info.lastModified().toMSecsSinceEpoch();
        const auto it = cache_.find(file.toStdString());
        if (it != cache_.end() && it->second.modified == modified && it->second.size == info.size())
            return std::move(it->second);
        CachedEntry entry;
        entry.modified = modified;
        entry.size = info.size();
        QFile input(file);
        if (input.open(QIODevice::ReadOnly))
            entry.keys = parseDesktopEntry(input.readAll().toStdString(), LocalisedKeys::Keep);
        return entry;
    }

    /// Whether an entry starts the target: an application that is not hidden, whose program
    /// or TryExec is the target file.
    static bool launches(CachedEntry& entry, const std::string& target, const std::string& pathText,
                         const std::vector<std::string>& path) {
        const std::string type = value(entry.keys, "Type");
        if (value(entry.keys, "Hidden") == "true" || (!type.empty() && type != "Application"))
            return false;
        if (entry.pathUsed != pathText) {
            entry.program = resolveProgram(execProgram(value(entry.keys, "Exec")), path);
            entry.tryExec = resolveProgram(value(entry.keys, "TryExec"), path);
            entry.pathUsed = pathText;
        }
        return entry.program == target || entry.tryExec == target;
    }

    std::mutex lock_;
    std::map<std::string, CachedEntry> cache_;
};

} // namespace

std::vector<std::string> dataDirectories() {
    std::vector<std::string> folders;
    std::string home = environment("XDG_DATA_HOME");
    if (home.empty() && !environment("HOME").empty())
        home = environment("HOME") + "/.local/share";
    if (!home.empty())
        folders.push_back(home);
    std::string dirs = environment("XDG_DATA_DIRS");
    if (dirs.empty())
        dirs = "/usr/local/share:/usr/share";
    for (std::string& folder : split(dirs, ':'))
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    return folders;
}

std::optional<ApplicationEntry> applicationEntryFor(const std::string& executable) {
    const std::string target = canonical(executable);
    if (target.empty())
        return std::nullopt;
    static EntryIndex index;
    return index.find(target);
}

} // namespace vrx::os
