#include "Application/store/FileText.h"

#include <gtest/gtest.h>

namespace {

const std::string kZhong = "\xe4\xb8\xad";    // 中, GB18030 D6 D0
const std::string kWen = "\xe6\x96\x87";      // 文, GB18030 CE C4
const std::string kEuro = "\xe2\x82\xac";     // €, GB18030 A2 E3, code page 936 80
const std::string kGrin = "\xf0\x9f\x98\x80"; // U+1F600, GB18030 four bytes 94 39 FC 36

TEST(FileTextTest, EncodesToGb18030AndDecodesBack) {
    const std::string text = "a" + kZhong + kEuro + kGrin;
    const std::string encoded = EncodeFileText(text);
    EXPECT_EQ(encoded, std::string("a\xd6\xd0\xa2\xe3\x94\x39\xfc\x36"));
    EXPECT_EQ(DecodeFileText(encoded), text);
}

TEST(FileTextTest, AcceptsCodePage936EuroByte) {
    EXPECT_EQ(DecodeFileText("\x80"), kEuro);
    EXPECT_EQ(DecodeFileText("x\x80\xd6\xd0\x80"), "x" + kEuro + kZhong + kEuro);
    // 0x80 as the second byte of a two-byte character is part of that character.
    const std::string twoByte = DecodeFileText("\x81\x80");
    EXPECT_EQ(twoByte, "\xe4\xba\x90"); // 亐, GBK 81 80
}

TEST(FileTextTest, InvalidBytesDecodeToReplacementCharacter) {
    EXPECT_EQ(DecodeFileText("a\xff"), "a\xef\xbf\xbd");
}

TEST(FileTextTest, CutsBetweenCharacters) {
    struct Case {
        std::string text;
        std::size_t maxBytes;
        std::string expected;
    };
    const Case cases[] = {
        {"abcdef", 4, "abcd"},      {kZhong + kWen, 4, kZhong + kWen},
        {kZhong + kWen, 3, kZhong}, {kZhong + kWen, 1, ""},
        {"a" + kGrin, 4, "a"},      {"a" + kGrin, 5, "a" + kGrin},
        {"ab" + kZhong, 3, "ab"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CutToFileTextSize(c.text, c.maxBytes), c.expected)
            << c.text << " to " << c.maxBytes;
        EXPECT_LE(EncodeFileText(CutToFileTextSize(c.text, c.maxBytes)).size(), c.maxBytes);
    }
    EXPECT_EQ(FileTextCutLength("\xd6\xd0\xce\xc4", 3), 2u);
}

} // namespace
