#include "tools/rules/RulesTool.h"
#include "Application/store/FileKey.h"
#include "Application/store/MemData.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleFile.h"
#include "Application/store/RuleSchemas.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// One record of each table with every field set to a value other than its default.
constexpr char kAppRule[] = R"({
    "cAppName": "浏览器", "cAppModuleName": "/usr/bin/Browser \"x\"", "cAppDesc": "desc",
    "cAppVer": "1.2.3", "nLength": -123456, "cMD5ChkSum": "0123456789abcdef",
    "bTCPConnect": true, "bTCPListen": false, "bUDPSend": true, "bUDPReceive": false,
    "nTCPConnectPortType": 1, "nTCPConnectPortStart": 65535, "nTCPConnectPortEnd": 1,
    "mTCPConnectPortList": "80,443", "cDesc": "line 1\r\nline\t2 \\ 中文",
    "nActionWhenNotMatch": 2, "nActionWhenAccessNet": 1})";
constexpr char kIPRule[] = R"({
    "Name": "允许 DNS", "FilterDesc": "desc", "OrderID": "0800-11-0001", "RemoteIPType": 3,
    "RemoteIP": "192.168.001.001", "RemoteIPMask": "255.255.255.000", "RemotePort": 53,
    "RemotePort2": 54, "LocalPort": 1024, "LocalPort2": 65535, "EtherType": 2048,
    "ProtocolOnIP": 17, "TCPFlags": 18, "ICMPType": 255, "ICMPCode": 254,
    "FilterAction": 1, "AlertType": 3, "Direction": 2, "Priority": 1, "Use": -1,
    "High": true, "Middle": false, "Low": true})";

class RulesToolTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

    void Write(const char* name, const std::string& text) const {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    QByteArray Read(const char* name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int Run(const std::vector<std::string>& args) {
        out.str({});
        err.str({});
        return RulesTool::Run(args, out, err);
    }

    // The keys of each dumped object, in the order printed.
    std::vector<std::string> KeysInOrder() const {
        std::vector<std::string> keys;
        const std::string text = out.str();
        for (std::size_t at = text.find("\n    \""); at != std::string::npos;
             at = text.find("\n    \"", at + 1)) {
            const std::size_t start = at + 6;
            keys.push_back(text.substr(start, text.find('"', start) - start));
        }
        return keys;
    }

    QTemporaryDir dir;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RulesToolTest, EveryFieldOfBothTablesRoundTrips) {
    for (const auto& [table, record] : {std::pair{"app", kAppRule}, std::pair{"ip", kIPRule}}) {
        SCOPED_TRACE(table);
        const std::string json = std::string("[") + record + "]";
        Write("in.json", json);
        ASSERT_EQ(Run({"load", "--table", table, Path("in.json"), Path("rules.dat")}), 0)
            << err.str();
        ASSERT_EQ(Run({"dump", Path("rules.dat")}), 0) << err.str(); // recognised by its fields
        EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(out.str())),
                  QJsonDocument::fromJson(QByteArray::fromStdString(json)));
        EXPECT_TRUE(err.str().empty());
    }
}

TEST_F(RulesToolTest, KeysFollowTheStoredFieldOrder) {
    Write("in.json", std::string("[") + kAppRule + "]");
    ASSERT_EQ(Run({"load", "--table", "app", Path("in.json"), Path("rules.dat")}), 0);
    ASSERT_EQ(Run({"dump", "--table", "app", Path("rules.dat")}), 0);
    const std::vector<std::string> keys = KeysInOrder();
    ASSERT_EQ(keys.size(), 17u);
    EXPECT_EQ(keys.front(), "cAppName");
    EXPECT_EQ(keys[4], "nLength");
    EXPECT_EQ(keys[14], "cDesc");
    EXPECT_EQ(keys.back(), "nActionWhenAccessNet");
}

TEST_F(RulesToolTest, WritesWhatTheProgramWouldSave) {
    // IP rules end up in OrderID order; a missing OrderID is computed as a post does, missing
    // fields stay null.
    Write("in.json", R"([{"Name": "b", "EtherType": 2048, "ProtocolOnIP": 6, "Priority": 26},
                        {"Name": "a", "OrderID": "0800-01-0000"}])");
    ASSERT_EQ(Run({"load", "--table", "ip", Path("in.json"), Path("rules.dat")}), 0);
    ASSERT_EQ(Run({"dump", Path("rules.dat")}), 0);
    const QJsonArray records =
        QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).array();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].toObject()["Name"], "a");
    EXPECT_EQ(records[1].toObject()["OrderID"], "0800-06-001A");
    EXPECT_TRUE(records[0].toObject()["Priority"].isNull());
    EXPECT_EQ(records[0].toObject()["FilterDesc"], ""); // a string has no null in a file

    // Byte for byte the program's own save of the same table.
    TdxMemData table;
    DefineIPRulesFields(table);
    TRC6 cipher(kFileKeyText);
    TMemoryStream work;
    RuleFile::Read(table, Path("rules.dat"), cipher, work);
    RuleFile::Write(table, Path("again.dat"), cipher, work);
    EXPECT_EQ(Read("again.dat"), Read("rules.dat"));
}

TEST_F(RulesToolTest, AnEmptyArrayMakesAnEmptyTable) {
    Write("in.json", "[]");
    ASSERT_EQ(Run({"load", "--table", "app", Path("in.json"), Path("rules.dat")}), 0);
    EXPECT_EQ(Read("rules.dat").size(), 384);
    ASSERT_EQ(Run({"dump", Path("rules.dat")}), 0);
    EXPECT_EQ(out.str(), "[]\n");
}

struct BadInput {
    const char* name;
    std::vector<std::string> args; // "IN" and "OUT" stand for the JSON and the rule file
    const char* json;
    const char* expected; // part of the error line
};

class RulesToolBadInput : public RulesToolTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(RulesToolBadInput, FailsWithOneLineAndTouchesNothing) {
    // A valid rule file to be kept, and a file that is none.
    Write("good.json", std::string("[") + kAppRule + "]");
    ASSERT_EQ(Run({"load", "--table", "app", Path("good.json"), Path("OUT")}), 0);
    const QByteArray before = Read("OUT");
    Write("NOTRULES", std::string(64, 'x'));
    Write("IN", GetParam().json);

    std::vector<std::string> args;
    for (const std::string& arg : GetParam().args)
        args.push_back(arg == "IN" || arg == "OUT" || arg == "NOTRULES" ? Path(arg.c_str()) : arg);
    EXPECT_EQ(Run(args), 1);
    const std::string line = err.str();
    EXPECT_EQ(line.rfind("vornexfw-rules: ", 0), 0u) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    EXPECT_NE(line.find(GetParam().expected), std::string::npos) << line;
    EXPECT_TRUE(out.str().empty());
    EXPECT_EQ(Read("OUT"), before);
}

const std::vector<std::string> kLoadApp = {"load", "--table", "app", "IN", "OUT"};
const std::vector<std::string> kLoadIP = {"load", "--table", "ip", "IN", "OUT"};

INSTANTIATE_TEST_SUITE_P(
    Cases, RulesToolBadInput,
    ::testing::Values(
        BadInput{"Malformed", kLoadApp, "[{\"cAppName\": }]", "malformed JSON"},
        BadInput{"NotAnArray", kLoadApp, "{}", "array"},
        BadInput{"NotAnObject", kLoadApp, "[1]", "not an object"},
        BadInput{"UnknownField", kLoadApp, R"([{"Name": "x"}])", "not a field"},
        BadInput{"WrongCase", kLoadApp, R"([{"cappname": "x"}])", "not a field"},
        BadInput{"StringForNumber", kLoadApp, R"([{"nLength": "5"}])", "a number"},
        BadInput{"Fraction", kLoadApp, R"([{"nLength": 1.5}])", "whole number"},
        BadInput{"WordRange", kLoadApp, R"([{"nTCPConnectPortStart": 65536}])", "out of range"},
        BadInput{"SmallintRange", kLoadIP, R"([{"Use": 40000}])", "out of range"},
        BadInput{"IntegerRange", kLoadIP, R"([{"Priority": 2147483648}])", "out of range"},
        BadInput{"NumberForBoolean", kLoadIP, R"([{"High": 1}])", "true, false"},
        BadInput{"TooLong", kLoadApp, R"([{"cAppVer": "12345678901"}])", "longer than 10"},
        BadInput{"TooLongEncoded", kLoadApp, R"([{"cAppVer": "中文中文中文"}])", "longer"},
        BadInput{"LoadWithoutTable", {"load", "IN", "OUT"}, "[]", "--table"},
        BadInput{"UnknownTable", {"load", "--table", "x", "IN", "OUT"}, "[]", "unknown table"},
        BadInput{"MissingJson", {"load", "--table", "app", "NOFILE", "OUT"}, "[]", "NOFILE"},
        BadInput{"NoCommand", {}, "[]", "usage"},
        BadInput{"UnknownOption", {"dump", "-x", "OUT"}, "[]", "unknown option"},
        BadInput{"DumpNotARuleFile", {"dump", "NOTRULES"}, "[]", "not a rule file"},
        BadInput{"DumpMissingFile", {"dump", "NOFILE"}, "[]", "NOFILE"},
        BadInput{"DumpAsTheOtherTable", {"dump", "--table", "ip", "OUT"}, "[]", "not a rule file"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

} // namespace

TEST_F(RulesToolTest, CompilePrintsTheLevelsFilterTable) {
    // A local network rule for High, and a TCP rule for port 80 in the user's own rules.
    Write("dft.json", R"([{"Name": "lan", "RemoteIPType": 1, "EtherType": 2048,
        "ProtocolOnIP": 0, "Direction": 2, "FilterAction": 1, "High": true}])");
    Write("ip.json", R"([{"Name": "web", "RemoteIPType": 0, "EtherType": 2048,
        "ProtocolOnIP": 6, "LocalPort": 80, "TCPFlags": 2, "FilterAction": 0,
        "AlertType": 5, "Use": 1}])");
    ASSERT_EQ(Run({"load", "--table", "ip", Path("dft.json"), Path("DftIPRule.dat")}), 0)
        << err.str();
    ASSERT_EQ(Run({"load", "--table", "ip", Path("ip.json"), Path("IPRule.dat")}), 0) << err.str();
    const std::string dir = this->dir.path().toStdString();

    ASSERT_EQ(Run({"compile", "--level", "2", "--rules-dir", dir, "--local-ip", "10.1.2.3",
                   "--local-ip", "192.168.0.7"}),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "0800000000000000000A01020300000000000201000000000000FF00000000000000\n"
                         "080000000000000000C0A8000700000000000201000000000000FFFFFF0000000000\n");

    ASSERT_EQ(Run({"compile", "--level", "3", "--rules-dir", dir}), 0) << err.str();
    EXPECT_EQ(out.str(), "08000000060000000000000000500000000200000500000000000000000000000000\n");
    ASSERT_EQ(Run({"compile", "--level", "1", "--rules-dir", dir}), 0);
    EXPECT_EQ(out.str(), "");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"compile", "--rules-dir", dir},
          {"compile", "--level", "x", "--rules-dir", dir},
          {"compile", "--level", "0", "--rules-dir", dir + "/missing"},
          {"compile", "--level"}}) {
        EXPECT_EQ(Run(bad), 1);
        const std::string message = err.str();
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_EQ(out.str(), "");
    }
}
