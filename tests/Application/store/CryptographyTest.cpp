#include "Application/store/Cryptography.h"
#include "Application/store/Rc6.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::uint32_t Word(const std::string& text, std::size_t index) {
    std::uint32_t w = 0;
    for (std::size_t b = 0; b < 4; ++b)
        w |= std::uint32_t{static_cast<std::uint8_t>(text[4 * index + b])} << (8 * b);
    return w;
}

std::uint32_t KeyWord(const TCryptography& cipher, std::size_t j) {
    const auto key = cipher.KeyBuffer();
    return std::uint32_t{key[4 * j]} | std::uint32_t{key[4 * j + 1]} << 8 |
           std::uint32_t{key[4 * j + 2]} << 16 | std::uint32_t{key[4 * j + 3]} << 24;
}

std::string KeyText(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text.push_back(static_cast<char>('!' + (i * 7) % 90));
    return text;
}

TEST(InvolveKey, SixCharacterTextBecomesTheTextTenTimesAndItsFirstFourCharacters) {
    TRC6 cipher("MOLDRA");
    std::string expected;
    for (int i = 0; i < 10; ++i)
        expected += "MOLDRA";
    expected += "MOLD";
    EXPECT_EQ(std::string(cipher.KeyBuffer().begin(), cipher.KeyBuffer().end()), expected);
}

TEST(InvolveKey, TextOfExactlyTheKeySizeIsTheKey) {
    const std::string text = KeyText(64);
    TRC6 cipher(text);
    EXPECT_EQ(std::string(cipher.KeyBuffer().begin(), cipher.KeyBuffer().end()), text);
}

// 70 characters are extended with their first 58 to 128 and folded twice: with w0 ... w31 the
// words of the extended text, K[j] = rotl(w[j], w[j + 16] mod 32) XOR w[j + 16].
TEST(InvolveKey, SeventyCharacterTextIsExtendedTo128AndFoldedTwice) {
    const std::string text = KeyText(70);
    const std::string extended = text + text.substr(0, 58);
    ASSERT_EQ(extended.size(), 128u);
    TRC6 cipher(text);
    for (std::size_t j = 0; j < 16; ++j) {
        const std::uint32_t second = Word(extended, j + 16);
        EXPECT_EQ(KeyWord(cipher, j),
                  std::rotl(Word(extended, j), static_cast<int>(second % 32)) ^ second)
            << "key word " << j;
    }
}

// Longer texts: the extension repeats the text from its start, and every further 64 bytes fold
// over the key words again.
TEST(InvolveKey, LongTextsFoldEveryGroupOfSixteenWords) {
    for (std::size_t length : {65u, 127u, 128u, 130u, 200u}) {
        const std::string text = KeyText(length);
        std::string extended = text;
        while (extended.size() % 64 != 0)
            extended.push_back(text[extended.size() % length]);
        std::uint32_t K[16] = {};
        for (std::size_t i = 0; i < extended.size() / 4; ++i) {
            const std::uint32_t w = Word(extended, i);
            K[i % 16] = std::rotl(K[i % 16], static_cast<int>(w % 32)) ^ w;
        }
        TRC6 cipher(text);
        for (std::size_t j = 0; j < 16; ++j)
            EXPECT_EQ(KeyWord(cipher, j), K[j]) << length << " characters, key word " << j;
    }
}

// Counts the key set-up steps that SetKey runs after construction.
class CountingRC6 : public TRC6 {
public:
    using TRC6::TRC6;
    void InvolveKey() override {
        ++involved;
        TRC6::InvolveKey();
    }
    void CalculateSubKeys() override {
        ++calculated;
        TRC6::CalculateSubKeys();
    }
    int involved = 0;
    int calculated = 0;
};

TEST(SetKey, TheSameTextAgainRecomputesNothing) {
    CountingRC6 cipher("MOLDRA");
    const auto roundKeys = cipher.RoundKeys();
    cipher.SetKey("MOLDRA");
    EXPECT_EQ(cipher.involved, 0);
    EXPECT_EQ(cipher.calculated, 0);
    EXPECT_EQ(cipher.RoundKeys(), roundKeys);
}

TEST(SetKey, AnEmptyTextIsOnlyRecorded) {
    CountingRC6 cipher("MOLDRA");
    const auto roundKeys = cipher.RoundKeys();
    cipher.SetKey("");
    EXPECT_EQ(cipher.Key(), "");
    EXPECT_EQ(cipher.involved, 0);
    EXPECT_EQ(cipher.calculated, 0);
    EXPECT_EQ(cipher.RoundKeys(), roundKeys);
}

// A new key text is folded over the buffer the previous key left, not over zeros.
TEST(SetKey, ANewTextIsFoldedOverThePreviousKey) {
    CountingRC6 cipher("MOLDRA");
    const std::vector<std::uint8_t> before(cipher.KeyBuffer().begin(), cipher.KeyBuffer().end());
    const std::string text = KeyText(64);
    cipher.SetKey(text);
    EXPECT_EQ(cipher.Key(), text);
    EXPECT_EQ(cipher.involved, 1);
    EXPECT_EQ(cipher.calculated, 1);
    for (std::size_t j = 0; j < 16; ++j) {
        const std::uint32_t w = Word(text, j);
        const std::uint32_t old = Word(std::string(before.begin(), before.end()), j);
        EXPECT_EQ(KeyWord(cipher, j), std::rotl(old, static_cast<int>(w % 32)) ^ w);
    }
    EXPECT_EQ(cipher.RoundKeys(), TRC6::ExpandKey(cipher.KeyBuffer()));
}

} // namespace
