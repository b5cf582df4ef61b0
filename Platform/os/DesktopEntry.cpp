#include "Platform/os/DesktopEntry.h"

#include <optional>
#include <string_view>
#include <vector>

namespace vrx::os {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string unescapeString(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        case '\\':
            result += '\\';
            break;
        default: // not an escape of the format: kept as written
            result += '\\';
            result += value[i];
        }
    }
    return result;
}

} // namespace

std::optional<std::vector<std::string>> execArguments(const std::string& exec) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < exec.size() && exec[i] == ' ')
            ++i;
        if (i == exec.size())
            return arguments;
        std::string argument;
        if (exec[i] == '"') {
            for (++i;; ++i) {
                if (i == exec.size())
                    return std::nullopt; // no closing quote
                if (exec[i] == '"')
                    break;
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                argument += exec[i];
            }
            ++i;
            if (i < exec.size() && exec[i] != ' ')
                return std::nullopt;
        } else {
            while (i < exec.size() && exec[i] != ' ')
                argument += exec[i++];
        }
        std::string unfielded; // "%%" is a literal '%'
        for (std::size_t k = 0; k < argument.size(); ++k) {
            unfielded += argument[k];
            if (argument[k] == '%' && k + 1 < argument.size() && argument[k + 1] == '%')
                ++k;
        }
        arguments.push_back(std::move(unfielded));
    }
}

std::map<std::string, std::string> parseDesktopEntry(const std::string& text,
                                                     LocalisedKeys localised) {
    std::map<std::string, std::string> keys;
    bool inMainGroup = false;
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos)
            continue;
        const std::string key(trimmed(line.substr(0, equals)));
        if ((localised == LocalisedKeys::Skip && key.find('[') != std::string::npos) ||
            keys.contains(key))
            continue;
        keys[key] = unescapeString(trimmed(line.substr(equals + 1)));
    }
    return keys;
}

std::string escapeDesktopString(const std::string& value) {
    // Readers trim blanks around a value, so leading and trailing ones are written as escapes.
    const auto first = value.find_first_not_of(' ');
    const auto last = value.find_last_not_of(' ');
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (const char c = value[i]) {
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        case ' ':
            result += (first == std::string::npos || i < first || i > last) ? "\\s" : " ";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string execOfProgram(const std::string& program) {
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    quoted += '"';
    return escapeDesktopString(quoted);
}

std::string programOfExec(const std::string& exec) {
    const auto arguments = execArguments(exec);
    if (arguments && arguments->size() == 1)
        return arguments->front();
    return exec;
}

} // namespace vrx::os
