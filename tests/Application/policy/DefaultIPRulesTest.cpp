#include "Application/policy/FilterCreator.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"
#include "Platform/os/MemoryReferences.h"
#include "Platform/os/Network.h"
#include "Platform/vrxfw/Driver.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// The shipped default IP rules, compiled for each level and loaded into the stand-in driver,
// give the verdicts that the level promises for a table of typical packets.

namespace {

using vrx::vrxfw::Packet;
using vrx::vrxfw::PacketDirection;
using vrx::vrxfw::PacketVerdict;

constexpr const char* kLocalAddress = "192.168.1.5";
constexpr const char* kLanPeer = "192.168.1.20";
constexpr const char* kInternetPeer = "203.0.113.9";
constexpr std::uint16_t kAllowedTcpPort = 8080;
constexpr std::uint16_t kAllowedUdpPort = 5000;

/// Fills a rule table from the readable source, field by field as stored.
void loadRules(TdxMemData& table, const char* path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    table.Open();
    for (const QJsonValue& row : document.array()) {
        table.Append();
        const QJsonObject object = row.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            TField* field = table.FieldByName(it.key().toStdString());
            if (it.value().isBool())
                field->SetAsBoolean(it.value().toBool());
            else if (it.value().isDouble())
                field->SetAsInteger(it.value().toInt());
            else
                field->SetAsString(it.value().toString().toStdString());
        }
        table.Post();
    }
}

/// Lets a program's listen (TCP) or receive (UDP) request through the request channel, so its
/// port counts as one opened by an authorized program.
void allowListening(vrx::vrxfw::Driver& driver, vrx::vrxfw::Operation operation,
                    std::uint16_t port) {
    const auto held = driver.submitRequest(operation, 77, 0, port);
    vrx::vrxfw::AccessRequest record;
    std::uint32_t returned = 0;
    ASSERT_TRUE(driver.control(vrx::vrxfw::code::kFetchRequest, nullptr, 0, &record, sizeof record,
                               returned));
    ASSERT_EQ(returned, sizeof record);
    record.status = vrx::vrxfw::kStatusSuccess;
    vrx::os::PublishedMemory published(&record, sizeof record);
    std::uint8_t input[28] = {};
    const vrx::os::MemoryReference reference = published.reference();
    std::memcpy(input, &reference, sizeof reference);
    ASSERT_TRUE(driver.control(vrx::vrxfw::code::kAnswerRequest, input, sizeof input, nullptr, 0,
                               returned));
    ASSERT_EQ(held->waitForVerdict(std::chrono::milliseconds(0)), vrx::vrxfw::kStatusSuccess);
}

struct PacketCase {
    const char* what;
    Packet packet;
    // The verdict at Low, Middle and High: 'P' passed, 'B' blocked.
    const char* verdicts;
};

Packet tcp(const char* from, std::uint16_t localPort, std::uint16_t remotePort, std::uint8_t flags,
           PacketDirection direction = PacketDirection::Received) {
    return {.protocol = 6,
            .direction = direction,
            .remoteAddress = vrx::os::inetAddr(from),
            .localPort = localPort,
            .remotePort = remotePort,
            .tcpFlags = flags,
            .length = 60};
}

Packet udp(const char* from, std::uint16_t localPort, std::uint16_t remotePort,
           PacketDirection direction = PacketDirection::Received) {
    return {.protocol = 17,
            .direction = direction,
            .remoteAddress = vrx::os::inetAddr(from),
            .localPort = localPort,
            .remotePort = remotePort,
            .length = 60};
}

Packet ping(const char* from) {
    return {.protocol = 1, .remoteAddress = vrx::os::inetAddr(from), .icmpType = 8, .length = 60};
}

constexpr std::uint8_t kSyn = 0x02;
constexpr std::uint8_t kAck = 0x10;
constexpr std::uint8_t kPsh = 0x08;

const PacketCase kCases[] = {
    {"LAN connects to file sharing (SMB)", tcp(kLanPeer, 445, 50000, kSyn), "PPB"},
    {"LAN connects to file sharing (NetBIOS)", tcp(kLanPeer, 139, 50000, kSyn), "PPB"},
    {"LAN connects to printer sharing", tcp(kLanPeer, 631, 50000, kSyn), "PPB"},
    {"LAN connects to another service", tcp(kLanPeer, 80, 50000, kSyn), "PBB"},
    {"Internet connects to file sharing", tcp(kInternetPeer, 445, 50000, kSyn), "BBB"},
    {"Internet connects to another service", tcp(kInternetPeer, 22, 50000, kSyn), "BBB"},
    {"reply to this machine's connection", tcp(kInternetPeer, 40000, 80, kSyn | kAck), "PPP"},
    {"data of this machine's connection", tcp(kInternetPeer, 40000, 80, kAck | kPsh), "PPP"},
    {"this machine connects out", tcp(kInternetPeer, 40000, 80, kSyn, PacketDirection::Sent),
     "PPP"},
    {"LAN connects to an authorized program", tcp(kLanPeer, kAllowedTcpPort, 50000, kSyn), "PPB"},
    {"Internet connects to an authorized program", tcp(kInternetPeer, kAllowedTcpPort, 50000, kSyn),
     "PPB"},
    {"Internet connects to a port no authorized program opened",
     tcp(kInternetPeer, kAllowedTcpPort + 1, 50000, kSyn), "BBB"},
    {"LAN pings", ping(kLanPeer), "PPB"},
    {"Internet pings", ping(kInternetPeer), "PPB"},
    {"LAN uses the NetBIOS name service", udp(kLanPeer, 137, 137), "PPB"},
    {"Internet uses the NetBIOS name service", udp(kInternetPeer, 137, 137), "BBB"},
    {"LAN uses another UDP service", udp(kLanPeer, 53, 40000), "PBB"},
    {"Internet uses a UDP service", udp(kInternetPeer, 161, 40000), "BBB"},
    {"DNS reply to this machine", udp(kInternetPeer, 40000, 53), "PPP"},
    {"DHCP offer to this machine", udp(kLanPeer, 68, 67), "PPP"},
    {"Internet sends to an authorized program's UDP port",
     udp(kInternetPeer, kAllowedUdpPort, 40000), "PPB"},
    {"this machine announces its name", udp(kLanPeer, 138, 138, PacketDirection::Sent), "PPB"},
};

class DefaultIPRulesTest : public ::testing::TestWithParam<TSaftyLevel> {};

TEST_P(DefaultIPRulesTest, EveryPacketGetsTheVerdictTheLevelPromises) {
    TdxMemData defaults("tblDefaultIPRules");
    TdxMemData custom("tblIPRules");
    DefineIPRulesFields(defaults);
    DefineIPRulesFields(custom);
    ASSERT_NO_FATAL_FAILURE(loadRules(defaults, VRX_DEFAULT_IP_RULES));
    const std::vector<std::string> localIps = {kLocalAddress};
    TFilterCreator creator;
    creator.FDefaultRules = &defaults;
    creator.FCustomRules = &custom;
    creator.FLocalNetIP = &localIps;
    creator.SetFilterLevel(GetParam());
    ASSERT_GT(creator.FilterCount(), 0);

    vrx::vrxfw::Driver driver;
    std::uint32_t returned = 0;
    ASSERT_TRUE(driver.control(vrx::vrxfw::code::kLoadFilters, creator.Filters(),
                               static_cast<std::uint32_t>(creator.FilterCount()) * 34, nullptr, 0,
                               returned));
    ASSERT_TRUE(driver.control(vrx::vrxfw::code::kActivate, nullptr, 0, nullptr, 0, returned));
    ASSERT_NO_FATAL_FAILURE(
        allowListening(driver, vrx::vrxfw::Operation::TcpListen, kAllowedTcpPort));
    ASSERT_NO_FATAL_FAILURE(
        allowListening(driver, vrx::vrxfw::Operation::UdpReceive, kAllowedUdpPort));

    for (const PacketCase& c : kCases) {
        const char expected = c.verdicts[GetParam()];
        const PacketVerdict verdict = driver.presentPacket(c.packet);
        EXPECT_EQ(verdict == PacketVerdict::Passed ? 'P' : 'B', expected) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, DefaultIPRulesTest, ::testing::Values(slLow, slMiddle, slHigh));

} // namespace
