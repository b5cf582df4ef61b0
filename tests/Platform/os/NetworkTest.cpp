#include "Platform/os/Network.h"

#include "tests/support/FakeNetwork.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vrx::os;

namespace {

struct AddressCase {
    const char* text;
    std::uint32_t hostOrder;
};

class InetAddr : public testing::TestWithParam<AddressCase> {};

TEST_P(InetAddr, ReadsTheFormsOfTheSocketLibrary) {
    const std::uint32_t expected =
        GetParam().hostOrder == 0xFFFFFFFFu ? 0xFFFFFFFFu : htonl32(GetParam().hostOrder);
    EXPECT_EQ(inetAddr(GetParam().text), expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InetAddr,
    testing::Values(AddressCase{"192.168.1.10", 0xC0A8010A}, AddressCase{"0.0.0.0", 0},
                    AddressCase{"10.1", 0x0A000001}, AddressCase{"10.1.258", 0x0A010102},
                    AddressCase{"0x7f.1", 0x7F000001}, AddressCase{"010.0.0.1", 0x08000001},
                    AddressCase{"16909060", 0x01020304}, AddressCase{"255.255.255.255", 0xFFFFFFFF},
                    AddressCase{"", 0xFFFFFFFF}, AddressCase{"abc", 0xFFFFFFFF},
                    AddressCase{"1.2.3.256", 0xFFFFFFFF}, AddressCase{"1.2.3.4.5", 0xFFFFFFFF},
                    AddressCase{"1..2", 0xFFFFFFFF}, AddressCase{"09.1.1.1", 0xFFFFFFFF}));

TEST(Network, AddressesAndByteOrder) {
    EXPECT_EQ(inetNtoa(inetAddr("172.16.0.1")), "172.16.0.1");
    EXPECT_EQ(inetNtoa(htonl32(0x7F000001)), "127.0.0.1");
    const std::uint32_t address = inetAddr("1.2.3.4");
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[3], 4);
    const std::uint16_t port = htons16(0x1234);
    const auto* portBytes = reinterpret_cast<const unsigned char*>(&port);
    EXPECT_EQ(portBytes[0], 0x12);
    EXPECT_EQ(portBytes[1], 0x34);
}

class HostNetwork : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(net.startup(0x0202), 0); }
    void TearDown() override { EXPECT_EQ(net.cleanup(), 0); }

    std::vector<InterfaceInfo> list(std::uint32_t capacity, int& result) {
        const Handle socket = net.createSocket(kAfInet, kSockDgram, 0);
        EXPECT_NE(socket, kInvalidHandle);
        std::vector<InterfaceInfo> records(capacity);
        std::uint32_t bytes = 12345;
        result = net.ioctl(socket, kSioGetInterfaceList, nullptr, 0, records.data(),
                           capacity * sizeof(InterfaceInfo), bytes);
        EXPECT_EQ(bytes % sizeof(InterfaceInfo), 0u);
        records.resize(bytes / sizeof(InterfaceInfo));
        EXPECT_EQ(net.closeSocket(socket), 0);
        return records;
    }

    Network& net = hostNetwork();
};

TEST_F(HostNetwork, ListsTheLoopbackInterfaceOfThisMachine) {
    int result = -1;
    const std::vector<InterfaceInfo> records = list(64, result);
    ASSERT_EQ(result, 0);
    const InterfaceInfo* loopback = nullptr;
    for (const InterfaceInfo& record : records)
        if (record.iiAddress.sin_addr == inetAddr("127.0.0.1"))
            loopback = &record;
    ASSERT_NE(loopback, nullptr);
    EXPECT_EQ(loopback->iiFlags & (kIffUp | kIffLoopback), kIffUp | kIffLoopback);
    EXPECT_EQ(loopback->iiFlags & kIffPointToPoint, 0u);
    EXPECT_EQ(loopback->iiAddress.sin_family, kAfInet);
    EXPECT_EQ(loopback->iiNetmask.sin_addr, inetAddr("255.0.0.0"));
    EXPECT_EQ(loopback->iiBroadcastAddress.sin_addr, inetAddr("127.255.255.255"));
}

TEST_F(HostNetwork, ABufferTooSmallForEveryInterfaceFails) {
    int result = -1;
    const std::size_t count = list(64, result).size();
    ASSERT_GE(count, 1u);
    EXPECT_TRUE(list(static_cast<std::uint32_t>(count), result).size() == count && result == 0);
    EXPECT_TRUE(list(static_cast<std::uint32_t>(count - 1), result).empty());
    EXPECT_EQ(result, -1);
    EXPECT_EQ(lastError(), 10014u);
}

TEST_F(HostNetwork, StartUpNestsAndSocketsNeedIt) {
    ASSERT_EQ(net.startup(0x0002), 0);
    EXPECT_EQ(net.cleanup(), 0);
    // Still started once by SetUp.
    const Handle socket = net.createSocket(kAfInet, kSockDgram, 0);
    ASSERT_NE(socket, kInvalidHandle);
    std::uint32_t bytes = 0;
    EXPECT_EQ(net.ioctl(socket, 0x12345678, nullptr, 0, nullptr, 0, bytes), -1);
    EXPECT_EQ(net.closeSocket(socket), 0);
    EXPECT_EQ(net.closeSocket(socket), -1);
    EXPECT_NE(net.startup(0x0000), 0);
}

TEST(HostNetworkWithoutStartUp, RefusesSocketsAndCleanUp) {
    EXPECT_EQ(hostNetwork().createSocket(kAfInet, kSockDgram, 0), kInvalidHandle);
    EXPECT_EQ(lastError(), 10093u);
    EXPECT_EQ(hostNetwork().cleanup(), -1);
}

TEST(FakeNetwork, ServesItsListAndFailsOnRequest) {
    vrx::test::FakeNetwork fake;
    fake.interfaces = {vrx::test::makeInterface("10.0.0.5", "255.255.255.0", kIffUp)};
    ASSERT_EQ(fake.startup(0x0202), 0);
    const Handle socket = fake.createSocket(kAfInet, kSockDgram, 0);
    InterfaceInfo records[2];
    std::uint32_t bytes = 0;
    ASSERT_EQ(fake.ioctl(socket, kSioGetInterfaceList, nullptr, 0, records, sizeof records, bytes),
              0);
    EXPECT_EQ(bytes, sizeof(InterfaceInfo));
    EXPECT_EQ(records[0].iiBroadcastAddress.sin_addr, inetAddr("10.0.0.255"));
    EXPECT_EQ(fake.ioctl(socket, kSioGetInterfaceList, nullptr, 0, records, 75, bytes), -1);
    EXPECT_EQ(fake.closeSocket(socket), 0);
    EXPECT_EQ(fake.cleanup(), 0);
    EXPECT_EQ(fake.openSockets, 0);

    fake.startupError = 10091;
    EXPECT_EQ(fake.startup(0x0202), 10091);
    EXPECT_EQ(fake.activeStartups(), 0);
}

} // namespace
