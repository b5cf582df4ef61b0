#include "Platform/os/TextCopy.h"

#include <gtest/gtest.h>

#include <string>

using namespace vrx::os;

TEST(CopyTextCut, CutsWithinTheBufferAndNeverInsideACharacter) {
    struct Case {
        std::string text;
        std::uint32_t size;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", 10, "abc"},
        {"abc", 4, "abc"},
        {"abcd", 4, "abc"},
        {"ab\xC3\xA4", 4, "ab"},                         // ä would need bytes 3 and 4
        {"ab\xC3\xA4", 5, "ab\xC3\xA4"},                 // exactly fits
        {"\xE4\xB8\xAD\xE6\x96\x87", 6, "\xE4\xB8\xAD"}, // 中文: the second would be split
        {"x", 1, ""},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        const std::uint32_t copied = copyTextCut(c.text, buffer, c.size);
        EXPECT_EQ(std::string(buffer), c.expected) << c.text << " into " << c.size;
        EXPECT_EQ(copied, c.expected.size());
        EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer";
    }
}

TEST(CopyTextCut, WritesNothingIntoAnEmptyBuffer) {
    char buffer[2] = {'#', '#'};
    EXPECT_EQ(copyTextCut("abc", buffer, 0), 0u);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(copyTextCut("abc", nullptr, 5), 0u);
}
