#include "Application/utils/LocalInterface.h"

#include "Platform/os/Platform.h"
#include "tests/support/FakeNetwork.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vrx::os;
using vrx::test::FakeNetwork;
using vrx::test::makeInterface;

namespace {

class LocalInterface : public testing::Test {
protected:
    void TearDown() override {
        // Every path gives back what it took.
        EXPECT_EQ(network.activeStartups(), 0);
        EXPECT_EQ(network.openSockets, 0);
    }

    FakeNetwork network;
    ScopedService<Network> guard{&Services::network, &network};

    const InterfaceInfo loopback = makeInterface("127.0.0.1", "255.0.0.0", kIffUp | kIffLoopback);
    const InterfaceInfo dialUp =
        makeInterface("61.4.5.6", "255.255.255.255", kIffUp | kIffPointToPoint);
    const InterfaceInfo ethernet =
        makeInterface("192.168.0.7", "255.255.255.0", kIffUp | kIffBroadcast | kIffMulticast);
    const InterfaceInfo secondCard = makeInterface("10.0.0.9", "255.0.0.0", kIffUp);
};

bool sameRecord(const InterfaceInfo& a, const InterfaceInfo& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(LocalInterface, WinsockAvailableStartsAndCleansUp) {
    EXPECT_TRUE(WinsockAvailable(0x0202));
    EXPECT_EQ(network.startups, 1);
    network.startupError = 10091;
    EXPECT_FALSE(WinsockAvailable(0x0202));
}

TEST_F(LocalInterface, GetInterfaceListReadsTheWholeList) {
    network.interfaces = {loopback, ethernet};
    InterfaceInfo buffer[5];
    std::uint32_t count = 5;
    ASSERT_TRUE(GetInterfaceList(buffer, count));
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(sameRecord(buffer[1], ethernet));
    EXPECT_EQ(network.requestedVersions, (std::vector<std::uint16_t>{0x0202, 0x0002}));
    EXPECT_EQ(network.lastIoctlCode, kSioGetInterfaceList);
    EXPECT_EQ(network.lastIoctlOutLength, 5u * 76u);

    network.interfaces.clear();
    count = 5;
    EXPECT_TRUE(GetInterfaceList(buffer, count));
    EXPECT_EQ(count, 0u);
}

TEST_F(LocalInterface, GetInterfaceListFailsWithoutTheLibraryASocketOrTheQuery) {
    network.interfaces = {ethernet, secondCard};
    InterfaceInfo buffer[2];
    std::uint32_t count = 1; // too small for both
    EXPECT_FALSE(GetInterfaceList(buffer, count));
    EXPECT_EQ(count, 1u);
    count = 2;
    network.failIoctl = true;
    EXPECT_FALSE(GetInterfaceList(buffer, count));
    network.failIoctl = false;
    network.failSocket = true;
    EXPECT_FALSE(GetInterfaceList(buffer, count));
    network.failSocket = false;
    network.startupError = 10091;
    EXPECT_FALSE(GetInterfaceList(buffer, count));
}

TEST_F(LocalInterface, OnlyLoopbackGivesNoLocalAddress) {
    network.interfaces = {loopback};
    InterfaceInfo record = secondCard;
    EXPECT_FALSE(GetLocalIP(record));
    EXPECT_TRUE(sameRecord(record, secondCard));
}

TEST_F(LocalInterface, DialUpFirstThenEthernetGivesTheEthernetCard) {
    network.interfaces = {loopback, dialUp, ethernet, secondCard};
    InterfaceInfo record;
    ASSERT_TRUE(GetLocalIP(record));
    EXPECT_TRUE(sameRecord(record, ethernet));
    EXPECT_EQ(inetNtoa(record.iiAddress.sin_addr), "192.168.0.7");
    EXPECT_EQ(network.lastIoctlOutLength, 20u * 76u);
}

TEST_F(LocalInterface, AnInterfaceWithoutAddressIsPassedOver) {
    network.interfaces = {makeInterface("0.0.0.0", "0.0.0.0", kIffUp | kIffBroadcast), secondCard};
    InterfaceInfo record;
    ASSERT_TRUE(GetLocalIP(record));
    EXPECT_TRUE(sameRecord(record, secondCard));
}

TEST_F(LocalInterface, AListThatCannotBeReadGivesNoLocalAddress) {
    network.interfaces.assign(21, secondCard); // more than the 20 entries asked for
    InterfaceInfo record = loopback;
    EXPECT_FALSE(GetLocalIP(record));
    EXPECT_TRUE(sameRecord(record, loopback));
}

} // namespace
