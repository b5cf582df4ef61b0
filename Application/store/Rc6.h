#pragma once

#include "Application/store/Cryptography.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

/// RC6-32/20: 32-bit words, 20 rounds, 16-byte blocks read as four little-endian words A, B, C, D,
/// and here a 64-byte key made from the key text (TCryptography::InvolveKey). Each block is
/// transformed on its own.
class TRC6 : public TCryptography {
public:
    static constexpr int kBlockSize = 16;
    static constexpr int kKeySize = 64;
    static constexpr int kRounds = 20;
    static constexpr std::size_t kSubKeyCount = 2 * kRounds + 4; // 44

    using SubKeys = std::array<std::uint32_t, kSubKeyCount>;

    explicit TRC6(const std::string& keyText);

    void CalculateSubKeys() override;
    [[nodiscard]] bool EncipherBlock(std::uint8_t* block) override;
    [[nodiscard]] bool DecipherBlock(std::uint8_t* block) override;
    [[nodiscard]] bool EncipherData(std::uint8_t* data, std::size_t blockCount) override;
    [[nodiscard]] bool DecipherData(std::uint8_t* data, std::size_t blockCount) override;

    const SubKeys& RoundKeys() const { return FSubKeys; }

    /// The published RC6 key schedule for w = 32, r = 20 and a key of 0 to 255 bytes: the key as
    /// c = max(1, ceil(b / 4)) little-endian words, the round keys started from P32 = 0xB7E15163
    /// in steps of Q32 = 0x9E3779B9, then 3 * max(c, 44) mixing steps.
    static SubKeys ExpandKey(std::span<const std::uint8_t> key);
    /// Encrypt or decrypt `blockCount` consecutive 16-byte blocks in place with the round keys.
    static void EncryptBlocks(const SubKeys& subKeys, std::uint8_t* data, std::size_t blockCount);
    static void DecryptBlocks(const SubKeys& subKeys, std::uint8_t* data, std::size_t blockCount);

private:
    SubKeys FSubKeys{};
};
