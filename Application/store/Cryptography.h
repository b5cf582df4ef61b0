#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// Base of a block cipher keyed by a key text. A key text becomes the cipher's key buffer through
/// InvolveKey, and the cipher derives its round keys from that buffer in CalculateSubKeys; both
/// run once per key, when the key is set.
///
/// The string, stream and whole-data conveniences that such a base can carry are left out: the
/// stream filters (TEncryptionStream, TDecryptionStream) are the only users of a cipher, and they
/// work on blocks.
class TCryptography {
public:
    TCryptography() = default;
    TCryptography(const TCryptography&) = delete;
    TCryptography& operator=(const TCryptography&) = delete;
    virtual ~TCryptography() = default;

    /// Sets the cipher's name and block size, a zero key buffer of `keySize` bytes, and then the
    /// key text (SetKey).
    virtual void Init(const std::string& name, int blockSize, const std::string& keyText,
                      int keySize);

    /// Makes `keyText` the current key. A text that is not empty and differs from the current one
    /// is folded into the key buffer (InvolveKey) and the round keys are recomputed
    /// (CalculateSubKeys); otherwise the text is only recorded, and nothing is recomputed.
    void SetKey(const std::string& keyText);

    /// Folds the current key text into the key buffer. The text is first extended cyclically to a
    /// multiple of the key size: while its length is not a multiple, the character at the next
    /// position from the start of the growing text is appended (a 6-character text becomes the
    /// text ten times and its first four characters; 65 to 128 characters become 128). Then each
    /// 4-byte group of the extended text, read as a little-endian word w, goes into key word
    /// K[j], j = 0, 1, ... cycling over the key words: K[j] = rotl(K[j], w mod 32) XOR w.
    /// The buffer is not cleared first: on the first key it is zero and receives the extended
    /// text itself (for texts of at most one key size); a later key is folded over what the
    /// previous one left.
    virtual void InvolveKey();

    /// Derives the round keys from the key buffer.
    virtual void CalculateSubKeys() = 0;

    /// Transform one block of BlockSize() bytes in place; false if the cipher could not.
    [[nodiscard]] virtual bool EncipherBlock(std::uint8_t* block) = 0;
    [[nodiscard]] virtual bool DecipherBlock(std::uint8_t* block) = 0;

    /// Transform `blockCount` consecutive blocks in place, each on its own (electronic code book).
    /// A cipher overrides these to work on several blocks at once.
    [[nodiscard]] virtual bool EncipherData(std::uint8_t* data, std::size_t blockCount);
    [[nodiscard]] virtual bool DecipherData(std::uint8_t* data, std::size_t blockCount);

    const std::string& Name() const { return FName; }
    int BlockSize() const { return FBlockSize; }
    const std::string& Key() const { return FKey; }
    int KeySize() const { return FKeySize; }
    std::span<const std::uint8_t> KeyBuffer() const { return FKeyBuffer; }

private:
    std::string FName;
    int FBlockSize = 0;
    std::string FKey;
    int FKeySize = 0;
    std::vector<std::uint8_t> FKeyBuffer;
};
