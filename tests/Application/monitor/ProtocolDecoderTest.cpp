#include "Application/monitor/ProtocolDecoder.h"

#include "Application/monitor/ProtocolName.h"
#include "Application/monitor/ProtocolTable.h"

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

// A protocol table of rows (cProtocol, cName) with a current row, as tblProtocol behaves.
class ProtocolRows final : public TProtocolTable {
public:
    explicit ProtocolRows(std::vector<std::pair<std::string, std::string>> rows)
        : FRows(std::move(rows)) {}

    bool LocateKey(const std::string& key) override {
        keys.push_back(key);
        for (std::size_t i = 0; i < FRows.size(); ++i)
            if (EqualIgnoringCase(FRows[i].first, key)) {
                FCurrent = i;
                return true;
            }
        return false;
    }
    std::string CurrentName() const override {
        return FRows.empty() ? std::string() : FRows[FCurrent].second;
    }

    std::vector<std::string> keys;

private:
    static bool EqualIgnoringCase(const std::string& a, const std::string& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) ==
                          std::toupper(static_cast<unsigned char>(y));
               });
    }

    std::vector<std::pair<std::string, std::string>> FRows;
    std::size_t FCurrent = 0;
};

class ProtocolDecoderTest : public ::testing::Test {
protected:
    ProtocolDecoderTest() { decoder.Table = &table; }

    ProtocolRows table{{{"6-21-0", "ftp"},
                        {"6-23-0", "Telnet"},
                        {"6-53-0", "DNS"},
                        {"17-161-0", "SNMP"},
                        {"6-80-1", "www"}}};
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

TEST_F(ProtocolDecoderTest, LocateBuildsTheKeyAndReadsTheCurrentNameEvenWhenNotFound) {
    EXPECT_TRUE(decoder.LocateProtocol(6, 23, 0));
    EXPECT_EQ(decoder.Name, "Telnet");
    EXPECT_FALSE(decoder.LocateProtocol(17, 5, 2));
    EXPECT_EQ(decoder.Name, "Telnet"); // the row found before is still current
    EXPECT_TRUE(decoder.LocateProtocol(17, 161, 0));
    EXPECT_EQ(decoder.Name, "SNMP");
    EXPECT_EQ(table.keys, (std::vector<std::string>{"6-23-0", "17-5-2", "17-161-0"}));
}

TEST(ProtocolDecoderWithoutRowsTest, AnEmptyOrMissingTableGivesBareNumbers) {
    ProtocolRows empty{{}};
    TProtocolDecoder decoder;
    EXPECT_EQ(decoder.PortName(23), "23");
    decoder.Table = &empty;
    EXPECT_EQ(decoder.PortName(23), "23");
    EXPECT_FALSE(decoder.LocateProtocol(6, 23, 0));
    EXPECT_EQ(decoder.Name, "");
}

} // namespace
