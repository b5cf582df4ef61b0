#include "Application/utils/AddressText.h"

#include "Platform/os/Network.h"

#include <gtest/gtest.h>

using vrx::os::inetAddr;
using vrx::os::inetNtoa;

namespace {

struct NormalizeCase {
    const char* text;
    const char* normalized;
};

class NormalizeIPText : public testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeIPText, GivesTheTidyForm) {
    EXPECT_EQ(NormalizeIP(GetParam().text), GetParam().normalized) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalizeIPText,
    testing::Values(NormalizeCase{" 192 . 168 . 001 . 010 ", "192.168.1.10"},
                    NormalizeCase{"", "0.0.0.0"}, NormalizeCase{"   ", "0.0.0.0"},
                    NormalizeCase{"10..1.1", "10.0.1.1"}, NormalizeCase{"abc", "0"},
                    NormalizeCase{"1.2.3.", "1.2.3."}, NormalizeCase{"1.2", "1.2"},
                    NormalizeCase{"300.1.1.1", "300.1.1.1"}, NormalizeCase{"...", "0.0.0."},
                    NormalizeCase{"1.x2.3.4y", "1.0.3.0"}, NormalizeCase{"\t7\t.8", "7.8"},
                    NormalizeCase{"-1.+2.+-3.4", "-1.2.0.4"}, NormalizeCase{"99999999999.1", "0.1"},
                    NormalizeCase{"0010.0.0.0001", "10.0.0.1"}));

struct MaskCase {
    const char* address;
    const char* mask;
};

class ClassfulMaskOf : public testing::TestWithParam<MaskCase> {};

TEST_P(ClassfulMaskOf, FollowsTheAddressClass) {
    const std::uint32_t address = inetAddr(GetParam().address);
    std::uint32_t mask = 0x12345678;
    ClassfulMask(&address, &mask);
    EXPECT_EQ(inetNtoa(mask), GetParam().mask) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ClassfulMaskOf,
    testing::Values(MaskCase{"10.1.2.3", "255.0.0.0"}, MaskCase{"127.255.255.255", "255.0.0.0"},
                    MaskCase{"128.0.0.1", "255.255.0.0"}, MaskCase{"172.16.0.1", "255.255.0.0"},
                    MaskCase{"191.255.0.0", "255.255.0.0"},
                    MaskCase{"192.168.0.1", "255.255.255.0"},
                    MaskCase{"223.1.1.1", "255.255.255.0"},
                    MaskCase{"224.0.0.1", "255.255.255.255"},
                    MaskCase{"240.0.0.1", "255.255.255.255"}, MaskCase{"0.0.0.0", "255.0.0.0"}));

} // namespace
