#include "tools/rules/RulesTool.h"

#include "tools/rules/ConfigCommand.h"

#include "Application/policy/FilterCreator.h"
#include "Application/store/CryptographyStream.h"
#include "Application/store/DatabaseError.h"
#include "Application/store/FileKey.h"
#include "Application/store/FileStream.h"
#include "Application/store/FileText.h"
#include "Application/store/MemData.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleFile.h"
#include "Application/store/RuleSchemas.h"
#include "Application/store/TableStream.h"

#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>

namespace RulesTool {
namespace {

constexpr char kUsage[] =
    "usage: vornexfw-rules dump [--table app|ip] FILE | load --table app|ip JSONFILE FILE | "
    "config show FILE | config write JSONFILE FILE | "
    "compile --level N [--rules-dir DIR] [--local-ip A]...";

/// A failure the user caused or must know about; its text is the one line the tool prints.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TTableKind { App, IP };

TTableKind ParseTableKind(const std::string& word) {
    if (word == "app")
        return TTableKind::App;
    if (word == "ip")
        return TTableKind::IP;
    throw ToolError("unknown table \"" + word + "\" (app or ip)");
}

void DefineTable(TdxMemData& table, TTableKind kind) {
    if (kind == TTableKind::App)
        DefineAppRulesFields(table);
    else
        DefineIPRulesFields(table);
}

// --- dump ---

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", byte);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string JsonValue(const TField& field, const TFieldValue& value) {
    if (field.IsText())
        return value.isNull && field.DataType() != TFieldType::ftMemo ? "null"
                                                                      : JsonString(value.text);
    if (value.isNull)
        return "null";
    if (field.DataType() == TFieldType::ftBoolean)
        return value.number != 0 ? "true" : "false";
    return std::to_string(value.number);
}

std::string DumpJson(const TdxMemData& table) {
    std::string out = "[";
    for (int r = 0; r < table.RecordCount(); ++r) {
        const TRecord& record = table.RecordAt(r);
        out += r == 0 ? "\n  {" : ",\n  {";
        for (int i = 1; i < table.FieldCount(); ++i) {
            const TField& field = *table.Fields(i);
            out += i == 1 ? "\n    " : ",\n    ";
            out += JsonString(field.FieldName()) + ": " +
                   JsonValue(field, record.values[static_cast<std::size_t>(i)]);
        }
        out += "\n  }";
    }
    return out + (table.RecordCount() > 0 ? "\n]\n" : "]\n");
}

std::vector<std::uint8_t> DecryptFile(const std::string& path) {
    TRC6 cipher(kFileKeyText);
    TFileStream file(path, TFileMode::OpenRead);
    TDecryptionStream decryption(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
    TMemoryStream work;
    work.CopyFrom(decryption, 0);
    return {work.Memory(), work.Memory() + work.Size()};
}

bool Contains(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

int Dump(std::optional<TTableKind> kind, const std::string& path, std::ostream& out) {
    const std::vector<std::uint8_t> data = DecryptFile(path);
    const std::vector<std::string> names = TableStream::FieldNames(data);
    if (!kind) {
        if (Contains(names, "cAppModuleName"))
            kind = TTableKind::App;
        else if (Contains(names, "OrderID"))
            kind = TTableKind::IP;
        else
            throw ToolError(path + ": not a rule file (damaged or encrypted with another key)");
    }
    TdxMemData table;
    DefineTable(table, *kind);
    if (std::none_of(names.begin(), names.end(),
                     [&](const std::string& name) { return table.FindField(name) != nullptr; }))
        throw ToolError(path + ": not a rule file of this table");
    TableStream::Load(table, data);
    out << DumpJson(table);
    return 0;
}

// --- load ---

std::string Where(int record, const std::string& field) {
    return "record " + std::to_string(record) + ", field \"" + field + "\": ";
}

std::int32_t IntegerValue(const QJsonValue& value, std::int64_t low, std::int64_t high,
                          const std::string& where) {
    if (!value.isDouble())
        throw ToolError(where + "a number is expected");
    const double number = value.toDouble();
    if (number != std::floor(number))
        throw ToolError(where + "a whole number is expected");
    if (number < static_cast<double>(low) || number > static_cast<double>(high))
        throw ToolError(where + "out of range " + std::to_string(low) + " to " +
                        std::to_string(high));
    return static_cast<std::int32_t>(number);
}

void SetField(TField& field, const QJsonValue& value, const std::string& where) {
    if (value.isNull())
        return; // a new record's fields start null
    switch (field.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftMemo: {
        if (!value.isString())
            throw ToolError(where + "a string is expected");
        const std::string text = value.toString().toStdString();
        if (text.find('\0') != std::string::npos)
            throw ToolError(where + "a string may not hold a zero character");
        if (field.DataType() == TFieldType::ftString &&
            EncodeFileText(text).size() > static_cast<std::size_t>(field.Size()))
            throw ToolError(where + "longer than " + std::to_string(field.Size()) + " bytes");
        field.SetAsString(text);
        return;
    }
    case TFieldType::ftBoolean:
        if (!value.isBool())
            throw ToolError(where + "true, false or null is expected");
        field.SetAsBoolean(value.toBool());
        return;
    case TFieldType::ftWord:
        field.SetAsInteger(
            IntegerValue(value, 0, std::numeric_limits<std::uint16_t>::max(), where));
        return;
    case TFieldType::ftSmallint:
        field.SetAsInteger(IntegerValue(value, std::numeric_limits<std::int16_t>::min(),
                                        std::numeric_limits<std::int16_t>::max(), where));
        return;
    default:
        field.SetAsInteger(IntegerValue(value, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max(), where));
        return;
    }
}

// Fills the table from the JSON text; every value is checked before anything is written.
void FillFromJson(TdxMemData& table, TTableKind kind, const QByteArray& json,
                  const std::string& jsonPath) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw ToolError(jsonPath + ": malformed JSON at offset " + std::to_string(error.offset) +
                        ": " + error.errorString().toStdString());
    if (!document.isArray())
        throw ToolError(jsonPath + ": a JSON array of records is expected");
    table.Open();
    int number = 0;
    for (const QJsonValue& element : document.array()) {
        ++number;
        if (!element.isObject())
            throw ToolError(jsonPath + ": record " + std::to_string(number) + " is not an object");
        const QJsonObject object = element.toObject();
        table.Append();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const std::string key = it.key().toStdString();
            TField* field = table.FindField(key);
            if (!field || field->Index() == 0 || field->FieldName() != key)
                throw ToolError(jsonPath + ": " + Where(number, key) + "not a field of this table");
            SetField(*field, it.value(), jsonPath + ": " + Where(number, key));
        }
        // The program computes the sort key when it posts an IP rule; a key given in the JSON is
        // kept, as it is when the program loads a file.
        if (kind == TTableKind::IP && table.FieldByName("OrderID")->IsNull())
            table.FieldByName("OrderID")->SetAsString(
                IPRuleOrderID(table.FieldByName("EtherType")->AsInteger(),
                              table.FieldByName("ProtocolOnIP")->AsInteger(),
                              table.FieldByName("Priority")->AsInteger()));
        table.Post();
    }
}

int Load(TTableKind kind, const std::string& jsonPath, const std::string& path) {
    QFile file(QString::fromStdString(jsonPath));
    if (!file.open(QIODevice::ReadOnly))
        throw ToolError(jsonPath + ": " + file.errorString().toStdString());
    const QByteArray json = file.readAll();
    TdxMemData table;
    DefineTable(table, kind);
    FillFromJson(table, kind, json, jsonPath);
    TRC6 cipher(kFileKeyText);
    TMemoryStream work;
    RuleFile::Write(table, path, cipher, work);
    return 0;
}

/// The filter table the program sends the driver for a level: the rule file of the level
/// compiled as the program compiles it, one record a line as 68 hexadecimal digits.
int Compile(const std::vector<std::string>& args, std::ostream& out) {
    std::optional<std::int32_t> level;
    std::optional<std::string> rulesDir;
    std::vector<std::string> localIps;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (i + 1 >= args.size() ||
            (word != "--level" && word != "--rules-dir" && word != "--local-ip"))
            throw ToolError(kUsage);
        const std::string& value = args[++i];
        if (word == "--level") {
            std::size_t used = 0;
            int number = 0;
            try {
                number = std::stoi(value, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != value.size() || value.empty())
                throw ToolError("--level needs a number, not \"" + value + "\"");
            level = number;
        } else if (word == "--rules-dir") {
            rulesDir = value;
        } else {
            localIps.push_back(value);
        }
    }
    if (!level)
        throw ToolError("compile needs --level N");
    if (!rulesDir)
        rulesDir = vrx::os::platform().systemInfo->programFolder() + "rules";
    const std::string path =
        *rulesDir + "/" + (*level == slCustom ? "IPRule.dat" : "DftIPRule.dat");
    if (!QFile::exists(QString::fromStdString(path)))
        throw ToolError(path + ": no such rule file");

    TdxMemData rules;
    DefineTable(rules, TTableKind::IP);
    rules.Open();
    TableStream::Load(rules, DecryptFile(path));
    TdxMemData unused;
    DefineTable(unused, TTableKind::IP);
    unused.Open();
    TFilterCreator creator;
    creator.FLocalNetIP = &localIps;
    creator.FCustomRules = *level == slCustom ? &rules : &unused;
    creator.FDefaultRules = *level == slCustom ? &unused : &rules;
    creator.SetFilterLevel(static_cast<TSaftyLevel>(*level));
    for (int i = 0; i < creator.FilterCount(); ++i) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(creator.Filters() + i);
        char line[FilterRecordSize * 2 + 2] = {};
        for (std::size_t b = 0; b < FilterRecordSize; ++b)
            std::snprintf(line + 2 * b, 3, "%02X", bytes[b]);
        out << line << '\n';
    }
    return 0;
}

int RunChecked(const std::vector<std::string>& args, std::ostream& out) {
    if (args.empty())
        throw ToolError(kUsage);
    const std::string& command = args[0];
    if (command == "compile")
        return Compile(args, out);
    std::optional<TTableKind> kind;
    std::vector<std::string> operands;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--table") {
            if (i + 1 >= args.size())
                throw ToolError(kUsage);
            kind = ParseTableKind(args[++i]);
        } else if (args[i].starts_with("--table=")) {
            kind = ParseTableKind(args[i].substr(8));
        } else if (args[i].starts_with("-") && args[i] != "-") {
            throw ToolError("unknown option \"" + args[i] + "\"; " + kUsage);
        } else {
            operands.push_back(args[i]);
        }
    }
    if (command == "dump" && operands.size() == 1)
        return Dump(kind, operands[0], out);
    if (command == "load" && operands.size() == 2) {
        if (!kind)
            throw ToolError("load needs --table app|ip");
        return Load(*kind, operands[0], operands[1]);
    }
    throw ToolError(kUsage);
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args[0] == "config")
        return RunConfigCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    try {
        return RunChecked(args, out);
    } catch (const std::exception& error) {
        std::string line = error.what();
        std::replace(line.begin(), line.end(), '\n', ' ');
        err << "vornexfw-rules: " << line << '\n';
        return 1;
    }
}

} // namespace RulesTool
