#pragma once

#include "Application/store/Cryptography.h"
#include "Application/store/StreamFilters.h"

#include <cstdint>
#include <vector>

/// Whether a cryptography stream frees its cipher when it is destroyed.
enum class TCipherOwnership { Borrowed, Owned };

/// A filter that passes data through a block cipher, one block at a time (electronic code book:
/// every block on its own, no initial vector). It holds exactly one block of state; whole blocks
/// that a caller hands over or asks for at once are transformed together, so the cipher can work
/// on several blocks per call.
///
/// The encrypted container this produces: a whole number of cipher blocks, the encryption of the
/// payload followed by 0 to BlockSize()-1 zero bytes that fill the last block. It carries no
/// header, length or checksum, so a reader gets the payload with the padding still attached.
class TBasicCryptographyStream : public TBasicStreamFilter {
public:
    TBasicCryptographyStream(TStream* inner, TCipherOwnership cipherOwnership,
                             TStreamOwnership innerOwnership, TCryptography* cipher);
    ~TBasicCryptographyStream() override;

    const char* ClassName() const override { return "TBasicCryptographyStream"; }

protected:
    TCryptography& Cipher() { return *FCipher; }
    std::int64_t BlockSize() const { return static_cast<std::int64_t>(FBuffer.size()); }

    TCryptography* FCipher;
    TCipherOwnership FCipherOwnership;
    std::vector<std::uint8_t> FBuffer; // one block
    std::int64_t FCount = 0;           // bytes held in FBuffer
};

/// Encrypts what is written to it into the inner stream; writing only. Destroying it (or
/// Finish) fills a partly written last block with zero bytes and writes it.
class TEncryptionStream : public TBasicCryptographyStream {
public:
    using TBasicCryptographyStream::TBasicCryptographyStream;
    ~TEncryptionStream() override;

    /// Takes bytes into the block buffer and writes every completed block, encrypted, to the
    /// inner stream. Returns the bytes taken; when the cipher or the inner stream fails, the
    /// count is short and the block being written is dropped.
    std::int64_t Write(const void* buffer, std::int64_t count) override;

    /// Pads and writes a partly filled last block now. The destructor does the same but cannot
    /// report a failure; a caller that must know calls this. Raises EWriteError on failure.
    void Finish();

    const char* ClassName() const override { return "TEncryptionStream"; }

private:
    [[nodiscard]] bool WriteBlock();
    [[nodiscard]] bool PadLastBlock();
};

/// Decrypts the inner stream; reading and seeking only. A trailing fragment of the inner stream
/// shorter than a block is never delivered, so the size is the inner size rounded down to a
/// whole number of blocks.
class TDecryptionStream : public TBasicCryptographyStream {
public:
    using TBasicCryptographyStream::TBasicCryptographyStream;

    std::int64_t Read(void* buffer, std::int64_t count) override;

    /// Positions at a block boundary of the inner stream and reads up to the target within the
    /// block. Returns the boundary plus the bytes that could be read, which is less than the
    /// target when it lies past the last whole block. Positioning to 0 always works.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    const char* ClassName() const override { return "TDecryptionStream"; }

private:
    // Decrypted bytes not yet delivered; they are the last FCount bytes of FBuffer.
    std::int64_t Pending() const { return FCount; }
};
