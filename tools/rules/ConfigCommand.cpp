#include "tools/rules/ConfigCommand.h"

#include "Application/policy/ConfigData.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <ostream>
#include <set>
#include <stdexcept>
#include <utility>

namespace {

constexpr const char* kUsage = "usage: config show FILE | config write JSONFILE FILE";

// A bad input, reported as one line.
class BadInput : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// --- JSON out, members in their fixed order ---

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\b':
            quoted += "\\b";
            break;
        case '\f':
            quoted += "\\f";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                quoted += escape;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

std::string List(const std::vector<std::string>& items) {
    std::string list = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        list += (i > 0 ? ", " : "") + Quoted(items[i]);
    return list + "]";
}

std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::string ToJson(const TConfigData& config) {
    const std::pair<const char*, std::string> members[] = {
        {"Version", Quoted(config.Version)},
        {"RunAtStart", Bool(config.RunAtStart)},
        {"SaftyLevel", std::to_string(config.SaftyLevel)},
        {"SoundFile", Quoted(config.SoundFile)},
        {"AppRuleSilent", Bool(config.AppRuleSilent)},
        {"LocalNetIP", List(config.LocalNetIP)},
        {"LocalNetMask", List(config.LocalNetMask)},
        {"VersionChanged", Bool(config.VersionChanged)},
    };
    std::string json = "{\n";
    for (std::size_t i = 0; i < std::size(members); ++i)
        json += std::string("  \"") + members[i].first + "\": " + members[i].second +
                (i + 1 < std::size(members) ? ",\n" : "\n");
    return json + "}\n";
}

// --- JSON in ---

const QJsonValue& Member(const QJsonObject& object, const char* name, QJsonValue& slot) {
    if (!object.contains(name))
        throw BadInput(std::string("member \"") + name + "\" is missing");
    slot = object.value(name);
    return slot;
}

// A text becomes one INI value, so it must stay on one line.
std::string Text(const QJsonValue& value, const std::string& what) {
    if (!value.isString())
        throw BadInput(what + " must be a text");
    const std::string text = value.toString().toStdString();
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw BadInput(what + " must not hold a line break or a zero character");
    return text;
}

bool Boolean(const QJsonObject& object, const char* name) {
    QJsonValue slot;
    if (!Member(object, name, slot).isBool())
        throw BadInput(std::string("\"") + name + "\" must be true or false");
    return slot.toBool();
}

std::vector<std::string> Texts(const QJsonObject& object, const char* name) {
    QJsonValue slot;
    if (!Member(object, name, slot).isArray())
        throw BadInput(std::string("\"") + name + "\" must be an array of texts");
    std::vector<std::string> texts;
    const QJsonArray array = slot.toArray();
    for (qsizetype i = 0; i < array.size(); ++i)
        texts.push_back(Text(array[i], std::string("\"") + name + "\"[" + std::to_string(i) + "]"));
    return texts;
}

void FromJson(const QJsonObject& object, TConfigData& config) {
    static const std::set<QString> known = {"Version",      "RunAtStart",    "SaftyLevel",
                                            "SoundFile",    "AppRuleSilent", "LocalNetIP",
                                            "LocalNetMask", "VersionChanged"};
    for (const QString& key : object.keys())
        if (!known.contains(key))
            throw BadInput("unknown member \"" + key.toStdString() + "\"");

    QJsonValue slot;
    config.Version = Text(Member(object, "Version", slot), "\"Version\"");
    config.RunAtStart = Boolean(object, "RunAtStart");
    const double level = Member(object, "SaftyLevel", slot).toDouble(0.5);
    if (!slot.isDouble() || std::trunc(level) != level ||
        level < std::numeric_limits<std::int32_t>::min() ||
        level > std::numeric_limits<std::int32_t>::max())
        throw BadInput("\"SaftyLevel\" must be a 32-bit integer");
    config.SaftyLevel = static_cast<std::int32_t>(level);
    config.SoundFile = Text(Member(object, "SoundFile", slot), "\"SoundFile\"");
    config.AppRuleSilent = Boolean(object, "AppRuleSilent");
    config.LocalNetIP = Texts(object, "LocalNetIP");
    config.LocalNetMask = Texts(object, "LocalNetMask");
    if (config.LocalNetIP.size() != config.LocalNetMask.size())
        throw BadInput("\"LocalNetIP\" and \"LocalNetMask\" must have the same length");
    if (object.contains("VersionChanged"))
        (void)Boolean(object, "VersionChanged");
}

QJsonObject ReadJsonFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw BadInput("cannot read " + path + ": " + file.errorString().toStdString());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        throw BadInput(path + ": " + error.errorString().toStdString() + " at offset " +
                       std::to_string(error.offset));
    if (!document.isObject())
        throw BadInput(path + ": not a JSON object");
    return document.object();
}

// A configuration store on the given file, its plain copy in a private temporary folder.
struct ConfigOnFile {
    explicit ConfigOnFile(const std::string& path) {
        if (!folder.isValid())
            throw BadInput("cannot create a temporary folder");
        config.IniFileName = path;
        config.TempFileName = folder.filePath("tmp").toStdString();
    }
    QTemporaryDir folder;
    TConfigData config;
};

int Show(const std::string& path, std::ostream& out) {
    const QFileInfo info(QString::fromStdString(path));
    if (!info.isFile())
        throw BadInput("cannot read " + path + ": no such file");
    ConfigOnFile store(path);
    store.config.Load();
    out << ToJson(store.config);
    return 0;
}

int Write(const std::string& jsonPath, const std::string& path) {
    const QJsonObject object = ReadJsonFile(jsonPath);
    ConfigOnFile store(path);
    FromJson(object, store.config);
    store.config.Save();
    return 0;
}

// The error texts of the layers below are one line already; this keeps it so whatever they say.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

int RunConfigCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (args.size() == 2 && args[0] == "show")
            return Show(args[1], out);
        if (args.size() == 3 && args[0] == "write")
            return Write(args[1], args[2]);
        err << kUsage << "\n";
        return 1;
    } catch (const std::exception& error) {
        // Bad input, and file errors of the store (EStreamError) alike.
        err << "config " << args[0] << ": " << OneLine(error.what()) << "\n";
    }
    return 1;
}
