#include "Application/monitor/ProtocolDecoder.h"

#include "Application/monitor/ProtocolName.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(ProtocolNameTest, FixedNamesAndUnknowForEveryOtherNumber) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "IP"},        {1, "ICMP"},        {2, "IGMP"},     {3, "GGP"},     {6, "TCP"},
        {12, "PUP"},      {17, "UDP"},        {22, "IDP"},     {77, "ND"},     {255, "RAW"},
        {4, "UNKNOW"},    {5, "UNKNOW"},      {256, "UNKNOW"}, {-1, "UNKNOW"}, {7, "UNKNOW"},
        {-255, "UNKNOW"}, {0x10006, "UNKNOW"}};
    for (const auto& [number, name] : cases)
        EXPECT_EQ(ProtocolName(number), name) << number;
}

class ProtocolDecoderTest : public ::testing::Test {
protected:
    ProtocolDecoderTest() {
        DefineProtocolFields(table);
        table.Open();
        for (const auto& [key, name] :
             std::vector<std::pair<const char*, const char*>>{{"6-21-0", "ftp"},
                                                              {"6-23-0", "Telnet"},
                                                              {"6-53-0", "DNS"},
                                                              {"17-161-0", "SNMP"},
                                                              {"6-80-1", "www"}}) {
            table.Append();
            table.FieldByName("cProtocol")->SetAsString(key);
            table.FieldByName("cName")->SetAsString(name);
            table.Post();
        }
        decoder.Table = &table;
    }

    TdxMemData table{"tblProtocol"};
    TProtocolDecoder decoder;
};

TEST_F(ProtocolDecoderTest, NamedPortsGetTheirStoredNameOthersTheBareNumber) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {23, "Telnet[23]"}, {21, "ftp[21]"}, // in the letter case in which it is stored
        {53, "DNS[53]"},                     // a UDP port too is named by its TCP row
        {161, "161"},                        // only rows of protocol 6 name ports
        {80, "80"},                          // ... and only with third number 0
        {0, "0"},           {65535, "65535"}};
    for (const auto& [port, label] : cases)
        EXPECT_EQ(decoder.PortName(port), label) << port;
}

TEST_F(ProtocolDecoderTest, LocateReadsTheCurrentNameEvenWhenNotFound) {
    EXPECT_TRUE(decoder.LocateProtocol(6, 23, 0));
    EXPECT_EQ(decoder.Name, "Telnet");
    EXPECT_FALSE(decoder.LocateProtocol(17, 5, 2));
    EXPECT_EQ(decoder.Name, "Telnet"); // the row found before is still current
    EXPECT_TRUE(decoder.LocateProtocol(17, 161, 0));
    EXPECT_EQ(decoder.Name, "SNMP");
    EXPECT_EQ(table.FieldByName("cProtocol")->AsString(), "17-161-0");
}

TEST(ProtocolDecoderWithoutRowsTest, AnEmptyUnopenedOrMissingTableGivesBareNumbers) {
    TdxMemData table{"tblProtocol"};
    DefineProtocolFields(table);
    TProtocolDecoder decoder;
    EXPECT_EQ(decoder.PortName(23), "23");
    decoder.Table = &table; // not opened: "Protocol.dat" could not be read
    EXPECT_EQ(decoder.PortName(23), "23");
    table.Open();
    EXPECT_EQ(decoder.PortName(23), "23");
    EXPECT_FALSE(decoder.LocateProtocol(6, 23, 0));
    EXPECT_EQ(decoder.Name, "");
}

} // namespace
