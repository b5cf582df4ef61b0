#include "Platform/os/DesktopEntries.h"

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

/// A value's escapes: \s \n \t \r \\ (the desktop entry format's string escapes).
std::string unescape(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += value[i];
            break;
        }
    }
    return out;
}

/// The words of an Exec line: blanks separate them, double quotes group them, and inside quotes
/// a backslash takes the next character literally.
std::vector<std::string> execWords(const std::string& exec) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
            ++i;
        if (i == exec.size())
            break;
        std::string word;
        if (exec[i] == '"') {
            for (++i; i < exec.size() && exec[i] != '"'; ++i) {
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                word += exec[i];
            }
            ++i; // the closing quote
        } else {
            while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t')
                word += exec[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

/// The program that Exec starts: its first word, past an "env" with its assignments.
std::string execProgram(const std::string& exec) {
    const auto words = execWords(exec);
    std::size_t i = 0;
    if (i < words.size() && (words[i] == "env" || words[i] == "/usr/bin/env")) {
        ++i;
        while (i < words.size() && (words[i].find('=') != std::string::npos || words[i][0] == '-'))
            ++i;
    }
    return i < words.size() ? words[i] : std::string{};
}

/// A program name as a file: an absolute path as it is, a bare name through $PATH; resolved
/// through links. Empty when there is no such executable file.
std::string resolveProgram(const std::string& program) {
    if (program.empty())
        return {};
    auto canonical = [](const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
    };
    if (program.find('/') != std::string::npos)
        return program[0] == '/' ? canonical(program) : std::string{};
    for (const std::string& folder : split(environment("PATH"), ':')) {
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

struct ParsedEntry {
    DesktopEntry entry;
    std::string program; // resolved Exec program
    std::string tryExec; // resolved TryExec
};

/// The [Desktop Entry] group of a file; none for an entry that is hidden or not an application.
std::optional<ParsedEntry> parseEntry(const QString& file,
                                      const std::vector<std::string>& locales) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::map<std::string, std::string> values;
    bool inGroup = false;
    while (!input.atEnd()) {
        const std::string line = input.readLine(64 * 1024).trimmed().toStdString();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        std::string value = line.substr(equals + 1);
        value.erase(0, value.find_first_not_of(' '));
        values.emplace(std::move(key), std::move(value)); // the first occurrence counts
    }
    auto value = [&](const std::string& key) {
        const auto it = values.find(key);
        return it == values.end() ? std::string{} : it->second;
    };
    auto localised = [&](const std::string& key) {
        for (const std::string& locale : locales)
            if (const auto it = values.find(key + "[" + locale + "]"); it != values.end())
                return unescape(it->second);
        return unescape(value(key));
    };
    const std::string type = value("Type");
    if (value("Hidden") == "true" || (!type.empty() && type != "Application"))
        return std::nullopt;
    ParsedEntry parsed;
    parsed.entry.file = file.toStdString();
    parsed.entry.name = localised("Name");
    parsed.entry.comment = localised("Comment");
    parsed.entry.icon = unescape(value("Icon"));
    parsed.program = resolveProgram(execProgram(unescape(value("Exec"))));
    parsed.tryExec = resolveProgram(unescape(value("TryExec")));
    return parsed;
}

/// Every application entry of the data folders, read once and read again when a folder of
/// entries, the folders themselves, $PATH or the locale changed.
class EntryIndex {
public:
    std::vector<ParsedEntry> entries() {
        std::lock_guard guard(lock_);
        const std::string currentKey = key();
        if (currentKey != key_) {
            entries_ = scan();
            key_ = currentKey;
        }
        return entries_;
    }

private:
    static std::vector<QString> entryFolders() {
        std::vector<QString> folders;
        for (const std::string& data : dataDirectories()) {
            const QString root = QString::fromStdString(data) + "/applications";
            if (!QFileInfo(root).isDir())
                continue;
            folders.push_back(root);
            QDirIterator sub(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            while (sub.hasNext())
                folders.push_back(sub.next());
        }
        return folders;
    }

    static std::string key() {
        std::string key = environment("XDG_DATA_HOME") + "\n" + environment("XDG_DATA_DIRS") +
                          "\n" + environment("HOME") + "\n" + environment("PATH") + "\n";
        for (const std::string& locale : localeNames())
            key += locale + ",";
        for (const QString& folder : entryFolders())
            key += "\n" + folder.toStdString() + "@" +
                   std::to_string(QFileInfo(folder).lastModified().toMSecsSinceEpoch());
        return key;
    }

    static std::vector<ParsedEntry> scan() {
        std::vector<ParsedEntry> result;
        std::set<QString> seenIds;
        const auto locales = localeNames();
        for (const std::string& data : dataDirectories()) {
            const QString root = QString::fromStdString(data) + "/applications/";
            QDirIterator files(root, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
            std::vector<QString> paths;
            while (files.hasNext())
                paths.push_back(files.next());
            std::sort(paths.begin(), paths.end());
            for (const QString& path : paths) {
                // The id is the path below applications/ with '/' as '-'.
                QString id = path.mid(root.size());
                id.replace('/', '-');
                if (!seenIds.insert(id).second)
                    continue;
                if (auto parsed = parseEntry(path, locales))
                    result.push_back(std::move(*parsed));
            }
        }
        return result;
    }

    std::mutex lock_;
    std::string key_ = "\x01"; // never the key of a real state
    std::vector<ParsedEntry> entries_;
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

std::optional<DesktopEntry> desktopEntryFor(const std::string& executable) {
    const std::string target =
        QFileInfo(QString::fromStdString(executable)).canonicalFilePath().toStdString();
    if (target.empty())
        return std::nullopt;
    static EntryIndex index;
    for (const ParsedEntry& parsed : index.entries())
        if (parsed.program == target || parsed.tryExec == target)
            return parsed.entry;
    return std::nullopt;
}

} // namespace vrx::os
