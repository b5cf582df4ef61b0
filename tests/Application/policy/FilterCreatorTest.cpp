#include "Application/policy/FilterCreator.h"

#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using Row = std::map<std::string, std::string>;

/// The rule tables and a creator bound to them as the main form binds it.
class FilterCreatorTest : public ::testing::Test {
protected:
    TdxMemData custom{"tblIPRules"};
    TdxMemData defaults{"tblDefaultIPRules"};
    std::vector<std::string> localIps;
    std::vector<std::string> localMasks;
    TFilterCreator creator;
    int customLoads = 0;

    FilterCreatorTest() {
        DefineIPRulesFields(custom);
        DefineIPRulesFields(defaults);
        custom.Open();
        creator.FCustomRules = &custom;
        creator.FDefaultRules = &defaults;
        creator.FLocalNetIP = &localIps;
        creator.FLocalNetMask = &localMasks;
        creator.LoadCustomRules = [this] {
            ++customLoads;
            custom.Open();
        };
        creator.LoadDefaultRules = [this] { defaults.Open(); };
    }

    /// Appends a rule: a TCP pass rule for any address unless the row says otherwise.
    static void add(TdxMemData& table, const Row& row) {
        if (!table.Active())
            table.Open();
        Row values = {{"EtherType", "2048"}, {"ProtocolOnIP", "6"}, {"RemoteIPType", "0"},
                      {"FilterAction", "1"}, {"Use", "1"},          {"OrderID", "0"}};
        for (const auto& [name, value] : row)
            values[name] = value;
        table.Append();
        for (const auto& [name, value] : values)
            table.FieldByName(name)->SetAsString(value);
        table.Post();
    }

    std::vector<std::string> compile(TSaftyLevel level) {
        creator.SetFilterLevel(level);
        std::vector<std::string> records;
        for (int i = 0; i < creator.FilterCount(); ++i) {
            std::string hex;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(creator.Filters() + i);
            for (std::size_t b = 0; b < FilterRecordSize; ++b) {
                char digits[3];
                std::snprintf(digits, sizeof digits, "%02X", bytes[b]);
                hex += digits;
            }
            records.push_back(hex);
        }
        return records;
    }
};

// The records below are written as hexadecimal bytes in groups by field:
// EtherType 0-1 | 2-3 | Protocol 4 | 5-8 | Address 9-12 | LocalPort 13-14 | RemotePort 15-16 |
// Flags 17 | Direction 18 | Action 19 | Alert 20 | 21-25 | Mask 26-29 | LocalPort2 | RemotePort2
std::string record(const std::vector<std::string>& groups) {
    std::string hex;
    for (const auto& group : groups)
        hex += group;
    return hex;
}

TEST_F(FilterCreatorTest, TcpRuleLaysOutEveryFieldInItsByteOrder) {
    add(custom, {{"LocalPort", "80"},
                 {"LocalPort2", "65535"},
                 {"RemotePort", "1024"},
                 {"RemotePort2", "2048"},
                 {"TCPFlags", "18"},
                 {"Direction", "2"},
                 {"FilterAction", "0"},
                 {"AlertType", "13"},
                 {"RemoteIPType", "2"},
                 {"RemoteIP", "192.168.  1. 20"},
                 {"RemoteIPMask", "255.255.0.0"},
                 {"ICMPType", "8"}});
    EXPECT_EQ(compile(slCustom),
              std::vector<std::string>{
                  record({"0800", "0000", "06", "00000000", "C0A80114", "5000", "0004", "12", "02",
                          "00", "0D", "0000000000", "FFFFFFFF", "FFFF", "0008"})});
}

TEST_F(FilterCreatorTest, ProtocolChoosesWhichPortAndIcmpBytesAreWritten) {
    add(custom, {{"OrderID", "1"},
                 {"ProtocolOnIP", "1"},
                 {"ICMPType", "8"},
                 {"ICMPCode", "255"},
                 {"LocalPort", "80"},
                 {"TCPFlags", "2"}});
    add(custom, {{"OrderID", "2"},
                 {"ProtocolOnIP", "17"},
                 {"LocalPort", "53"},
                 {"RemotePort", "53"},
                 {"TCPFlags", "2"}});
    add(custom, {{"OrderID", "3"},
                 {"ProtocolOnIP", "2"},
                 {"LocalPort", "80"},
                 {"LocalPort2", "81"},
                 {"ICMPType", "8"}});
    add(custom, {{"OrderID", "4"}, {"ProtocolOnIP", "0"}, {"RemotePort", "80"}});
    const auto records = compile(slCustom);
    ASSERT_EQ(records.size(), 4u);
    // Bytes 13-17 start at hex digit 26.
    EXPECT_EQ(records[0].substr(8, 2), "01");
    EXPECT_EQ(records[0].substr(26, 10), "08FF000000");
    EXPECT_EQ(records[1].substr(26, 10), "3500350000");
    EXPECT_EQ(records[2].substr(26, 10), "0000000000");
    EXPECT_EQ(records[2].substr(60, 4), "5100"); // LocalPort2 for every protocol
    EXPECT_EQ(records[3].substr(26, 10), "0000000000");
}

TEST_F(FilterCreatorTest, AddressTypesChooseAddressAndMask) {
    localIps = {"10.1.2.3", "172.16.5.4", "192.168.0.7"};
    add(custom, {{"OrderID", "1"},
                 {"RemoteIPType", "0"},
                 {"RemoteIP", "1.2.3.4"},
                 {"RemoteIPMask", "255.0.0.0"}});
    add(custom, {{"OrderID", "2"}, {"RemoteIPType", "1"}, {"RemoteIP", "1.2.3.4"}});
    add(custom, {{"OrderID", "3"},
                 {"RemoteIPType", "3"},
                 {"RemoteIP", "10.0.0.0"},
                 {"RemoteIPMask", "255.255.0.0"}});
    add(custom, {{"OrderID", "4"}, {"RemoteIPType", "2"}, {"RemoteIP", "bad"}});
    add(custom, {{"OrderID", "5"}, {"RemoteIPType", "2"}, {"RemoteIP", "300.1.1.1"}});
    add(custom, {{"OrderID", "6"}, {"RemoteIPType", "7"}, {"RemoteIP", "1.2.3.4"}});

    std::vector<std::string> addressAndMask;
    for (const auto& r : compile(slCustom))
        addressAndMask.push_back(r.substr(18, 8) + "/" + r.substr(52, 8));
    EXPECT_EQ(addressAndMask, (std::vector<std::string>{
                                  "00000000/00000000", // any address, whatever RemoteIP holds
                                  "0A010203/FF000000", // local network, in list order
                                  "AC100504/FFFF0000", "C0A80007/FFFFFF00",
                                  "0A000000/FFFF0000", // a network as stored
                                  "00000000/FFFFFFFF", // a non-numeric part counts as 0
                                  "FFFFFFFF/FFFFFFFF", // rejected by inet_addr
                                  "00000000/00000000", // unknown type behaves as any address
                              }));
}

TEST_F(FilterCreatorTest, LocalNetworkRuleWithoutLocalAddressesYieldsNoRecord) {
    add(custom, {{"OrderID", "1"}, {"RemoteIPType", "1"}});
    EXPECT_TRUE(compile(slCustom).empty());
    add(custom, {{"OrderID", "2"}, {"RemoteIPType", "0"}});
    EXPECT_EQ(compile(slCustom).size(), 1u);
}

TEST_F(FilterCreatorTest, LevelSelectsTableAndRows) {
    add(custom, {{"OrderID", "1"}, {"Use", "0"}, {"LocalPort", "1"}});
    add(custom, {{"OrderID", "2"}, {"Use", "1"}, {"LocalPort", "2"}});
    add(custom, {{"OrderID", "3"}, {"Use", "2"}, {"LocalPort", "3"}});
    add(defaults, {{"OrderID", "1"}, {"Use", "0"}, {"Low", "True"}, {"LocalPort", "10"}});
    add(defaults, {{"OrderID", "2"}, {"Use", "1"}, {"Middle", "True"}, {"LocalPort", "11"}});
    add(defaults, {{"OrderID", "3"}, {"High", "True"}, {"Middle", "True"}, {"LocalPort", "12"}});
    defaults.Close();

    auto localPorts = [&](TSaftyLevel level) {
        std::vector<std::string> ports;
        for (const auto& r : compile(level))
            ports.push_back(r.substr(26, 4));
        return ports;
    };
    EXPECT_EQ(localPorts(slCustom), std::vector<std::string>{"0200"});
    EXPECT_EQ(localPorts(slLow), std::vector<std::string>{}); // the closed table loads empty
    add(defaults, {{"OrderID", "1"}, {"Low", "True"}, {"LocalPort", "10"}});
    add(defaults, {{"OrderID", "2"}, {"Use", "0"}, {"Middle", "True"}, {"LocalPort", "11"}});
    add(defaults, {{"OrderID", "3"}, {"High", "True"}, {"Middle", "True"}, {"LocalPort", "12"}});
    EXPECT_EQ(localPorts(slLow), std::vector<std::string>{"0A00"});
    EXPECT_EQ(localPorts(slMiddle), (std::vector<std::string>{"0B00", "0C00"}));
    EXPECT_EQ(localPorts(slHigh), std::vector<std::string>{"0C00"});
    EXPECT_TRUE(localPorts(slNoSet).empty());
    EXPECT_TRUE(localPorts(static_cast<TSaftyLevel>(9)).empty());
    EXPECT_EQ(creator.FilterLevel(), 9);
}

TEST_F(FilterCreatorTest, RecordsFollowOrderIdAndTheCursorEndsOnTheFirstRow) {
    // OrderID is a text key: the data module builds it from EtherType, protocol and priority.
    add(custom, {{"OrderID", "2048-017-001"}, {"LocalPort", "3"}});
    add(custom, {{"OrderID", "2048-000-002"}, {"LocalPort", "2"}});
    add(custom, {{"OrderID", "2048-006-000"}, {"LocalPort", "4"}});
    add(custom, {{"OrderID", "2048-000-001"}, {"LocalPort", "1"}});
    custom.Last();
    std::vector<std::string> ports;
    for (const auto& r : compile(slCustom))
        ports.push_back(r.substr(26, 2));
    EXPECT_EQ(ports, (std::vector<std::string>{"01", "02", "04", "03"}));
    EXPECT_EQ(custom.RecNo(), 1);
    EXPECT_FALSE(custom.ControlsDisabled());
}

TEST_F(FilterCreatorTest, ClosedCustomTableIsLoadedAndAnEmptyBuildKeepsControlsLive) {
    custom.Close();
    EXPECT_TRUE(compile(slCustom).empty());
    EXPECT_EQ(customLoads, 1);
    EXPECT_TRUE(custom.Active());
    EXPECT_FALSE(custom.ControlsDisabled());
    compile(slCustom);
    EXPECT_EQ(customLoads, 1);
}

} // namespace
