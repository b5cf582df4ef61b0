#include "Application/store/CryptographyStream.h"

#include <algorithm>
#include <cstring>

namespace {
// Whole blocks passed through at once go through a transient chunk of this size.
constexpr std::int64_t kChunkBytes = 4096;
} // namespace

TBasicCryptographyStream::TBasicCryptographyStream(TStream* inner, TCipherOwnership cipherOwnership,
                                                   TStreamOwnership innerOwnership,
                                                   TCryptography* cipher)
    : TBasicStreamFilter(inner, innerOwnership), FCipher(cipher), FCipherOwnership(cipherOwnership),
      FBuffer(static_cast<std::size_t>(cipher->BlockSize())) {}

TBasicCryptographyStream::~TBasicCryptographyStream() {
    if (FCipherOwnership == TCipherOwnership::Owned)
        delete FCipher;
}

// --- TEncryptionStream ---

TEncryptionStream::~TEncryptionStream() {
    try {
        (void)PadLastBlock();
    } catch (...) {
        // A destructor cannot report; Finish is the way to learn of a failed last block.
    }
}

bool TEncryptionStream::WriteBlock() {
    const bool written = Cipher().EncipherBlock(FBuffer.data()) &&
                         Inner().Write(FBuffer.data(), BlockSize()) == BlockSize();
    FCount = 0;
    return written;
}

bool TEncryptionStream::PadLastBlock() {
    if (FCount == 0)
        return true;
    std::memset(FBuffer.data() + FCount, 0, static_cast<std::size_t>(BlockSize() - FCount));
    FCount = BlockSize();
    return WriteBlock();
}

void TEncryptionStream::Finish() {
    if (!PadLastBlock())
        throw EWriteError();
}

std::int64_t TEncryptionStream::Write(const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    const std::int64_t blockSize = BlockSize();
    std::int64_t taken = 0;
    while (count > 0) {
        if (FCount == 0 && count >= blockSize) {
            // Whole blocks straight from the caller, several at a time.
            alignas(16) std::uint8_t chunk[kChunkBytes];
            const std::int64_t blocks = std::min(count / blockSize, kChunkBytes / blockSize);
            const std::int64_t bytes = blocks * blockSize;
            std::memcpy(chunk, in, static_cast<std::size_t>(bytes));
            if (!Cipher().EncipherData(chunk, static_cast<std::size_t>(blocks)))
                return taken;
            const std::int64_t written = Inner().Write(chunk, bytes);
            if (written < bytes)
                return taken + written / blockSize * blockSize;
            in += bytes;
            count -= bytes;
            taken += bytes;
            continue;
        }
        const std::int64_t n = std::min(blockSize - FCount, count);
        std::memcpy(FBuffer.data() + FCount, in, static_cast<std::size_t>(n));
        FCount += n;
        if (FCount == blockSize && !WriteBlock())
            return taken; // the bytes of this call in the lost block are not counted
        in += n;
        count -= n;
        taken += n;
    }
    return taken;
}

// --- TDecryptionStream ---

std::int64_t TDecryptionStream::Read(void* buffer, std::int64_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::int64_t blockSize = BlockSize();
    std::int64_t delivered = 0;
    while (count > 0) {
        if (FCount == 0) {
            if (count >= blockSize) {
                // Whole blocks straight into the caller's buffer, several at a time.
                const std::int64_t wanted = count / blockSize * blockSize;
                const std::int64_t got = Inner().Read(out, wanted);
                const std::int64_t blocks = std::max<std::int64_t>(got, 0) / blockSize;
                if (!Cipher().DecipherData(out, static_cast<std::size_t>(blocks)))
                    return delivered;
                out += blocks * blockSize;
                count -= blocks * blockSize;
                delivered += blocks * blockSize;
                // A fragment shorter than a block ends the data, as in a block-wise read.
                if (got < wanted && got % blockSize != 0)
                    return delivered;
                if (blocks == 0)
                    return delivered;
                continue;
            }
            if (Inner().Read(FBuffer.data(), blockSize) < blockSize ||
                !Cipher().DecipherBlock(FBuffer.data()))
                return delivered;
            FCount = blockSize;
        }
        const std::int64_t n = std::min(count, FCount);
        std::memcpy(out, FBuffer.data() + (blockSize - FCount), static_cast<std::size_t>(n));
        FCount -= n;
        out += n;
        count -= n;
        delivered += n;
    }
    return delivered;
}

std::int64_t TDecryptionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    if (origin != TSeekOrigin::soBeginning && origin != TSeekOrigin::soCurrent &&
        origin != TSeekOrigin::soEnd)
        RaiseInvalidSeekOrigin();
    // The inner stream stands at the end of the block whose decrypted bytes are still pending,
    // so this stream's position is that many bytes earlier.
    const std::int64_t position = Inner().Position() - Pending();
    if (origin == TSeekOrigin::soCurrent && offset == 0)
        return position;
    const std::int64_t size = origin == TSeekOrigin::soEnd ? Inner().Size() : 0;
    const std::int64_t target = SeekTarget(offset, origin, position, size);
    const std::int64_t boundary = target - target % BlockSize();
    Inner().Seek(boundary, TSeekOrigin::soBeginning);
    FCount = 0;
    // The bytes before the target within its block are read and dropped; past the last whole
    // block there are none to read, and the result stays at the boundary.
    std::vector<std::uint8_t> discard(static_cast<std::size_t>(target - boundary));
    return boundary + Read(discard.data(), target - boundary);
}
