#include "Application/resources/StringTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct TextCase {
    int id;
    const char* text;
};

class StringTableText : public testing::TestWithParam<TextCase> {};

TEST_P(StringTableText, IsStoredByteForByte) {
    EXPECT_EQ(LoadStr(GetParam().id), std::string(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, StringTableText,
    testing::Values(TextCase{10001, "VORNEX防火墙个人版"}, TextCase{10004, "( 无 )"},
                    TextCase{31040, "SYSTEM"}, TextCase{31041, "（无）"},
                    TextCase{33003, "           本机端口: %s ，\r\n           对方端口: %s "},
                    TextCase{33018, " %s 尝试用Ping 来探测本机，"},
                    TextCase{50001, "端口数值必须在 1 到 65535 之间 "}, TextCase{60010, "任何端口"},
                    TextCase{32003, "\r\n      安全级别：高 \r\n  \r\n      "
                                    "所有应用程序初次访问网络时都将询问，\r\n  "
                                    "已经被认可的程序则按照设置的相应规则运作。\r\n  \r\n      "
                                    "系统会屏蔽掉向外部开放的所有端口，禁止 \r\n  "
                                    "局域网内部和互连网的机器访问自己提供的网络 \r\n  "
                                    "共享服务（文件、打印机共享服务），局域网和 \r\n  "
                                    "互连网上的机器将无法看到本机器。\r\n"}));

TEST(StringTable, TextsAreUtf8WithCrLfLineBreaks) {
    // "无" is the three bytes E6 97 A0 in UTF-8; a line break is CR LF, never a bare LF.
    EXPECT_EQ(LoadStr(10004), std::string("( \xE6\x97\xA0 )"));
    const std::string hint = LoadStr(32001);
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < hint.size(); ++i) {
        if (hint[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(hint[i - 1], '\r');
            ++breaks;
        }
    }
    EXPECT_EQ(breaks, 10u);
}

TEST(StringTable, UnknownIdGivesTheEmptyText) {
    EXPECT_EQ(LoadStr(0), "");
    EXPECT_EQ(LoadStr(10002), "");
    EXPECT_EQ(LoadStr(-1), "");
}

TEST(FormatStr, DriverVersionMessageShowsBothVersionsInHexadecimal) {
    const std::uint32_t found = 0x02000405;
    const std::uint32_t required = 0x02000406;
    EXPECT_EQ(FormatStr(50002, found, required),
              " 驱动程序版本不对！\r\n 当前版本：2000405 , 要求版本 2000406 \r\n "
              "请重新启动一次机器，或反安装旧的程序后重新安装。");
}

TEST(FormatStr, TwoDigitMinimumPadsSmallHexValues) {
    const std::string text = FormatStr(50002, 0x5, 0xAB);
    EXPECT_NE(text.find("当前版本：05 , 要求版本 AB \r\n"), std::string::npos);
}

TEST(FormatStr, FillsTextsAndNumbersInOrder) {
    EXPECT_EQ(FormatStr(33004, 8, -1), "           类型: 8 ， 代码: -1，");
    EXPECT_EQ(FormatStr(30206, std::string("10.0.0.2"), "http[80]", 4294967295u, 0),
              "已连接 10.0.0.2 的 http[80] 端口,发送 4294967295 字节,接收 0 字节");
    // A number for a text placeholder shows in decimal.
    EXPECT_EQ(FormatStr(30200, 139u), "在 139 端口监听");
}

TEST(FormatStr, PlaceholderTextInAnArgumentIsNotInterpreted) {
    EXPECT_EQ(FormatStr(20001, "%s%d%n%X"), "是否允许 %s%d%n%X 访问网络？");
}

TEST(FormatStr, MissingArgumentsFillNothingAndSurplusOnesAreIgnored) {
    EXPECT_EQ(FormatStr(30230, "1.2.3.4"), "目的IP 1.2.3.4, 端口");
    EXPECT_EQ(FormatStr(33004), "           类型:  ， 代码: ，");
    EXPECT_EQ(FormatStr(50003, "unused", 7), LoadStr(50003));
    EXPECT_EQ(FormatStr(12345, "x"), "");
}

} // namespace
