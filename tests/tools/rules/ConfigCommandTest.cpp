#include "tools/rules/ConfigCommand.h"

#include "Application/policy/ConfigData.h"
#include "Platform/os/Platform.h"
#include "tests/support/FakeSystemInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>

using vrx::os::ScopedService;
using vrx::os::Services;
using vrx::os::SystemInfo;

namespace {

std::optional<std::string> ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll().toStdString();
}

void WriteFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

constexpr char kJson[] = R"({
  "Version": "2.44",
  "RunAtStart": true,
  "SaftyLevel": 3,
  "SoundFile": "C:\\Sound \"new\"\\提示.wav",
  "AppRuleSilent": false,
  "LocalNetIP": ["192.168.0.5", "10.0.0.1"],
  "LocalNetMask": ["255.255.255.0", "255.0.0.0"],
  "VersionChanged": false
}
)";

class ConfigCommandTest : public ::testing::Test {
protected:
    ConfigCommandTest() { system.executablePath = (dir.path() + "/program/Vornex").toStdString(); }

    QString path(const char* name) const { return dir.filePath(name); }
    std::string arg(const char* name) const { return path(name).toStdString(); }

    int Run(const std::vector<std::string>& args) {
        out.str({});
        err.str({});
        return RunConfigCommand(args, out, err);
    }

    QTemporaryDir dir;
    vrx::test::FakeSystemInfo system;
    ScopedService<SystemInfo> systemGuard{&Services::systemInfo, &system};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ConfigCommandTest, WriteSavesAsTheProgramDoesAndShowPrintsTheMembersInOrder) {
    WriteFile(path("in.json"), kJson);
    ASSERT_EQ(Run({"write", arg("in.json"), arg("config.ini")}), 0) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"config.ini", "in.json"}));

    // The same bytes as the program's own save of these members.
    {
        TConfigData config;
        config.IniFileName = arg("saved.ini");
        config.TempFileName = arg("tmp");
        config.Version = "2.44";
        config.RunAtStart = true;
        config.SaftyLevel = 3;
        config.SoundFile = "C:\\Sound \"new\"\\提示.wav";
        config.LocalNetIP = {"192.168.0.5", "10.0.0.1"};
        config.LocalNetMask = {"255.255.255.0", "255.0.0.0"};
        config.Save();
    }
    EXPECT_EQ(ReadFile(path("config.ini")), ReadFile(path("saved.ini")));

    ASSERT_EQ(Run({"show", arg("config.ini")}), 0) << err.str();
    EXPECT_EQ(out.str(), kJson);
    EXPECT_EQ(err.str(), "");
}

TEST_F(ConfigCommandTest, ShowGivesTheDefaultsAndTheChangedVersionOfAnOldFile) {
    WriteFile(path("empty.ini"), "");
    ASSERT_EQ(Run({"show", arg("empty.ini")}), 0) << err.str();
    EXPECT_EQ(out.str(), "{\n"
                         "  \"Version\": \"2.44\",\n"
                         "  \"RunAtStart\": false,\n"
                         "  \"SaftyLevel\": 1,\n"
                         "  \"SoundFile\": \"" +
                             (dir.path() + "/program/Sound/Alert.WAV").toStdString() +
                             "\",\n"
                             "  \"AppRuleSilent\": false,\n"
                             "  \"LocalNetIP\": [],\n"
                             "  \"LocalNetMask\": [],\n"
                             "  \"VersionChanged\": true\n"
                             "}\n");
    EXPECT_EQ(ReadFile(path("empty.ini")), "");
}

struct BadCase {
    const char* name;
    std::vector<std::string> args; // "@x" stands for the file x in the test's folder
    const char* json;              // the content of in.json, when given
};

class ConfigCommandBadInput : public ConfigCommandTest,
                              public ::testing::WithParamInterface<BadCase> {};

TEST_P(ConfigCommandBadInput, ReportsOneLineExitsOneAndTouchesNothing) {
    const std::string before = "old content";
    WriteFile(path("config.ini"), before);
    if (GetParam().json != nullptr)
        WriteFile(path("in.json"), GetParam().json);
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args)
        if (!a.empty() && a.front() == '@')
            a = arg(a.c_str() + 1);
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    EXPECT_EQ(Run(args), 1);
    const std::string message = err.str();
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_EQ(message.back(), '\n');
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(ReadFile(path("config.ini")), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
}

std::string Without(const std::string& member) {
    std::string json = kJson;
    const std::size_t at = json.find("\"" + member + "\"");
    const std::size_t end = json.find('\n', at);
    json.erase(at, end - at + 1);
    return json;
}

std::string Replaced(const std::string& from, const std::string& to) {
    std::string json = kJson;
    json.replace(json.find(from), from.size(), to);
    return json;
}

const std::string kNoVersion = Without("Version");
const std::string kNoMasks = Without("LocalNetMask");
const std::string kUnknown = Replaced("\"Version\"", "\"Versoin\": 1, \"Version\"");
const std::string kRunAtStartText = Replaced("\"RunAtStart\": true", "\"RunAtStart\": \"1\"");
const std::string kHalfLevel = Replaced("\"SaftyLevel\": 3", "\"SaftyLevel\": 1.5");
const std::string kHugeLevel = Replaced("\"SaftyLevel\": 3", "\"SaftyLevel\": 2147483648");
const std::string kTextLevel = Replaced("\"SaftyLevel\": 3", "\"SaftyLevel\": \"3\"");
const std::string kUnequal = Replaced("\"10.0.0.1\"]", "\"10.0.0.1\", \"10.0.0.2\"]");
const std::string kLineBreak = Replaced("提示.wav", "a\\nSafty_Level=0");
const std::string kNumberInList = Replaced("\"10.0.0.1\"]", "10]");
const std::string kChangedText = Replaced("\"VersionChanged\": false", "\"VersionChanged\": 0");

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigCommandBadInput,
    ::testing::Values(
        BadCase{"NoWords", {}, nullptr}, BadCase{"ShowWithoutFile", {"show"}, nullptr},
        BadCase{"UnknownWord", {"print", "@config.ini"}, nullptr},
        BadCase{"WriteWithoutFile", {"write", "@in.json"}, kJson},
        BadCase{"ShowMissingFile", {"show", "@absent.ini"}, nullptr},
        BadCase{"ShowFolder", {"show", "@"}, nullptr},
        BadCase{"MissingJson", {"write", "@absent.json", "@config.ini"}, nullptr},
        BadCase{"NotJson", {"write", "@in.json", "@config.ini"}, "{\"Version\": "},
        BadCase{"NotAnObject", {"write", "@in.json", "@config.ini"}, "[1, 2]"},
        BadCase{"NoVersion", {"write", "@in.json", "@config.ini"}, kNoVersion.c_str()},
        BadCase{"NoMasks", {"write", "@in.json", "@config.ini"}, kNoMasks.c_str()},
        BadCase{"UnknownMember", {"write", "@in.json", "@config.ini"}, kUnknown.c_str()},
        BadCase{"BoolAsText", {"write", "@in.json", "@config.ini"}, kRunAtStartText.c_str()},
        BadCase{"FractionLevel", {"write", "@in.json", "@config.ini"}, kHalfLevel.c_str()},
        BadCase{"HugeLevel", {"write", "@in.json", "@config.ini"}, kHugeLevel.c_str()},
        BadCase{"LevelAsText", {"write", "@in.json", "@config.ini"}, kTextLevel.c_str()},
        BadCase{"UnequalLists", {"write", "@in.json", "@config.ini"}, kUnequal.c_str()},
        BadCase{"LineBreakInText", {"write", "@in.json", "@config.ini"}, kLineBreak.c_str()},
        BadCase{"NumberInList", {"write", "@in.json", "@config.ini"}, kNumberInList.c_str()},
        BadCase{"ChangedNotBool", {"write", "@in.json", "@config.ini"}, kChangedText.c_str()},
        BadCase{"NoSuchFolder", {"write", "@in.json", "@absent/config.ini"}, kJson}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
