#include "Application/policy/MemIniFile.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

TEST(MemIniFileTest, ReadsLinesEndingInAnyOfTheThreeBreaks) {
    const TMemIniFile ini("[A]\r\nx=1\ry=2\nz=3\n\n\r\r\n[B]\nw=4");
    EXPECT_EQ(ini.ReadSection("A"), (Strings{"x", "y", "z"}));
    EXPECT_EQ(ini.ReadString("B", "w", ""), "4");
}

TEST(MemIniFileTest, SkipsWhatIsNoEntryAndKeepsTheFirstOfRepeatedNames) {
    const TMemIniFile ini("orphan=1\n[A]\n; x=9\nno equals sign\n=nameless\n"
                          "x = a = b \nX=second\n[a]\ny=3\n[B\nz=4");
    EXPECT_EQ(ini.ReadSection("A"), (Strings{"x", "y", "z"}));
    EXPECT_EQ(ini.ReadString("a", "x", ""), "a = b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("", "orphan", "none"), "none");
}

TEST(MemIniFileTest, NumbersAreSigned32BitDecimalOrTheDefault) {
    const TMemIniFile ini("[N]\na=-12\nb=+7\nc= 42 \nd=0x10\ne=2147483648\nf=\ng=1.5\nh=0\n");
    const struct {
        const char* key;
        std::int32_t expected;
    } cases[] = {{"a", -12}, {"b", 7},  {"c", 42}, {"d", -1},      {"e", -1},
                 {"f", -1},  {"g", -1}, {"h", 0},  {"missing", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadInteger("N", c.key, -1), c.expected) << c.key;
    EXPECT_TRUE(ini.ReadBool("N", "a", false));
    EXPECT_FALSE(ini.ReadBool("N", "h", true));
    EXPECT_TRUE(ini.ReadBool("N", "g", true));
}

TEST(MemIniFileTest, WritesReplaceInPlaceAndTextRoundTrips) {
    TMemIniFile ini;
    ini.WriteString("S", "One", "1");
    ini.WriteBool("T", "Flag", true);
    ini.WriteInteger("s", "two", -2);
    ini.WriteString("S", "ONE", "uno");
    EXPECT_EQ(ini.Text(), "[S]\r\nOne=uno\r\ntwo=-2\r\n\r\n[T]\r\nFlag=1\r\n");
    ini.EraseSection("s");
    EXPECT_EQ(ini.Text(), "[T]\r\nFlag=1\r\n");
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(TMemIniFile(ini.Text()).Text(), ini.Text());
}

} // namespace
