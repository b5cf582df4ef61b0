#include "Application/store/CryptographyStream.h"
#include "Application/store/FileStream.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Payload(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(1 + (i * 131 + i / 251) % 255); // never zero
    return bytes;
}

Bytes Contents(TMemoryStream& stream) {
    return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

// The container as the format defines it: the payload, zero bytes up to a whole block, each
// block enciphered on its own.
Bytes ExpectedCiphertext(TRC6& cipher, Bytes plain) {
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    for (std::size_t i = 0; i < plain.size(); i += 16)
        EXPECT_TRUE(cipher.EncipherBlock(plain.data() + i));
    return plain;
}

Bytes Encrypt(TRC6& cipher, const Bytes& plain, std::size_t piece) {
    TMemoryStream file;
    {
        TEncryptionStream stream(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
        for (std::size_t at = 0; at < plain.size(); at += piece) {
            const auto n = static_cast<std::int64_t>(std::min(piece, plain.size() - at));
            EXPECT_EQ(stream.Write(plain.data() + at, n), n);
        }
    }
    return Contents(file);
}

Bytes Decrypt(TRC6& cipher, const Bytes& encrypted, std::size_t piece) {
    TMemoryStream file;
    file.Write(encrypted.data(), static_cast<std::int64_t>(encrypted.size()));
    file.SetPosition(0);
    TDecryptionStream stream(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                             &cipher);
    Bytes plain;
    Bytes buffer(piece);
    for (;;) {
        const std::int64_t n = stream.Read(buffer.data(), static_cast<std::int64_t>(piece));
        plain.insert(plain.end(), buffer.begin(), buffer.begin() + n);
        if (n < static_cast<std::int64_t>(piece))
            return plain;
    }
}

struct RoundTrip {
    std::size_t size;
    std::size_t writePiece;
    std::size_t readPiece;
};

class CryptographyStreamRoundTrip : public ::testing::TestWithParam<RoundTrip> {
protected:
    TRC6 cipher{"MOLDRA"};
};

TEST_P(CryptographyStreamRoundTrip, PadsTheLastBlockWithZerosAndReadsBack) {
    const RoundTrip& c = GetParam();
    const Bytes plain = Payload(c.size);

    const Bytes encrypted = Encrypt(cipher, plain, c.writePiece);
    EXPECT_EQ(encrypted.size(), (c.size + 15) / 16 * 16);
    EXPECT_EQ(encrypted, ExpectedCiphertext(cipher, plain));

    Bytes padded = plain;
    padded.resize(encrypted.size(), 0);
    EXPECT_EQ(Decrypt(cipher, encrypted, c.readPiece), padded);
}

std::vector<RoundTrip> RoundTrips() {
    std::vector<RoundTrip> cases;
    for (std::size_t size :
         {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 4095u, 4096u, 4097u, 4111u, 70001u})
        for (std::size_t writePiece : {1u, 7u, 16u, 100000u})
            cases.push_back({size, writePiece, writePiece == 100000u ? 5u : writePiece});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SizesAroundBlockBoundaries, CryptographyStreamRoundTrip,
                         ::testing::ValuesIn(RoundTrips()), [](const auto& info) {
                             return "size" + std::to_string(info.param.size) + "_write" +
                                    std::to_string(info.param.writePiece) + "_read" +
                                    std::to_string(info.param.readPiece);
                         });

class CryptographyStreamTest : public ::testing::Test {
protected:
    // A decryption stream over the encryption of `plain`, with `extra` raw bytes appended.
    void Open(const Bytes& plain, std::size_t extra = 0) {
        const Bytes encrypted = Encrypt(cipher, plain, plain.size() + 1);
        file.Write(encrypted.data(), static_cast<std::int64_t>(encrypted.size()));
        const Bytes tail(extra, 0xAB);
        file.Write(tail.data(), static_cast<std::int64_t>(tail.size()));
        file.SetPosition(0);
        decryption = std::make_unique<TDecryptionStream>(&file, TCipherOwnership::Borrowed,
                                                         TStreamOwnership::Borrowed, &cipher);
    }
    std::uint8_t NextByte() {
        std::uint8_t b = 0;
        EXPECT_EQ(decryption->Read(&b, 1), 1);
        return b;
    }

    TRC6 cipher{"MOLDRA"};
    TMemoryStream file;
    std::unique_ptr<TDecryptionStream> decryption;
};

TEST_F(CryptographyStreamTest, OneBytePayloadIsOneBlockOfThatByteAndFifteenZeros) {
    const Bytes encrypted = Encrypt(cipher, {0x5A}, 1);
    ASSERT_EQ(encrypted.size(), 16u);
    Bytes block = encrypted;
    ASSERT_TRUE(cipher.DecipherBlock(block.data()));
    Bytes expected(16, 0);
    expected[0] = 0x5A;
    EXPECT_EQ(block, expected);
    EXPECT_EQ(Decrypt(cipher, encrypted, 64), expected);
}

TEST_F(CryptographyStreamTest, EqualBlocksEncryptEquallyWithoutChaining) {
    Bytes plain = Payload(16);
    plain.insert(plain.end(), plain.begin(), plain.end());
    const Bytes encrypted = Encrypt(cipher, plain, 32);
    EXPECT_TRUE(std::equal(encrypted.begin(), encrypted.begin() + 16, encrypted.begin() + 16));
    EXPECT_NE(Bytes(encrypted.begin(), encrypted.begin() + 16),
              Bytes(plain.begin(), plain.begin() + 16));
}

TEST_F(CryptographyStreamTest, ATrailingFragmentIsIgnored) {
    const Bytes plain = Payload(32);
    Open(plain, 1); // a 33-byte file
    EXPECT_EQ(decryption->Size(), 32);
    TMemoryStream work;
    EXPECT_EQ(work.CopyFrom(*decryption, 0), 32);
    EXPECT_EQ(Contents(work), plain);
    std::uint8_t more = 0;
    EXPECT_EQ(decryption->Read(&more, 1), 0);
}

TEST_F(CryptographyStreamTest, SizeIsTheInnerSizeRoundedDownToWholeBlocks) {
    for (std::size_t extra : {0u, 1u, 15u}) {
        file.Clear();
        Open(Payload(40), extra); // 48 bytes of blocks
        EXPECT_EQ(decryption->Size(), 48) << extra << " extra bytes";
    }
}

TEST_F(CryptographyStreamTest, SeeksFromEachOrigin) {
    const Bytes plain = Payload(48);
    Open(plain, 5); // 53 bytes in the file
    EXPECT_EQ(decryption->Seek(20, TSeekOrigin::soBeginning), 20);
    EXPECT_EQ(NextByte(), plain[20]);
    EXPECT_EQ(decryption->Seek(-16, TSeekOrigin::soEnd), 37); // 53 - 16
    EXPECT_EQ(NextByte(), plain[37]);
    EXPECT_EQ(decryption->Seek(0, TSeekOrigin::soBeginning), 0);
    EXPECT_EQ(NextByte(), plain[0]);
    EXPECT_EQ(decryption->Seek(-100, TSeekOrigin::soCurrent), 0); // not before the start
}

TEST_F(CryptographyStreamTest, SeekingFromTheCurrentPositionCountsUndeliveredBytes) {
    const Bytes plain = Payload(48);
    Open(plain);
    Bytes five(5);
    ASSERT_EQ(decryption->Read(five.data(), 5), 5);
    EXPECT_EQ(decryption->Position(), 5);
    EXPECT_EQ(NextByte(), plain[5]); // reporting the position moved nothing
    EXPECT_EQ(decryption->Seek(3, TSeekOrigin::soCurrent), 9);
    EXPECT_EQ(NextByte(), plain[9]);
    EXPECT_EQ(decryption->Size(), 48); // and asking for the size keeps the position
    EXPECT_EQ(NextByte(), plain[10]);
}

TEST_F(CryptographyStreamTest, ATargetPastTheLastWholeBlockStopsAtItsBoundary) {
    Open(Payload(32), 7);                                          // 39 bytes in the file
    EXPECT_EQ(decryption->Seek(36, TSeekOrigin::soBeginning), 32); // in the fragment
    EXPECT_EQ(decryption->Seek(0, TSeekOrigin::soEnd), 32);
    EXPECT_EQ(decryption->Seek(100, TSeekOrigin::soBeginning), 96);
    std::uint8_t b = 0;
    EXPECT_EQ(decryption->Read(&b, 1), 0);
}

void ExpectStreamError(const std::function<void()>& call, const char* text) {
    try {
        call();
        ADD_FAILURE() << "no error, expected: " << text;
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), text);
    }
}

TEST_F(CryptographyStreamTest, RefusesTheDirectionsItDoesNotSupport) {
    Open(Payload(16));
    ExpectStreamError([&] { (void)decryption->Write("x", 1); },
                      "Cannot write to this type of stream filter [TDecryptionStream]");
    ExpectStreamError([&] { (void)decryption->Seek(0, static_cast<TSeekOrigin>(3)); },
                      "Invalid seek origin");

    TMemoryStream target;
    TEncryptionStream encryption(&target, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
    char c = 0;
    ExpectStreamError([&] { (void)encryption.Read(&c, 1); },
                      "Cannot read from this type of stream filter [TEncryptionStream]");
    ExpectStreamError([&] { (void)encryption.Seek(0, TSeekOrigin::soBeginning); },
                      "Cannot seek on this type of stream filter [TEncryptionStream]");
    ExpectStreamError([&] { (void)encryption.Size(); },
                      "Cannot seek on this type of stream filter [TEncryptionStream]");
}

// A stream that accepts `capacity` bytes and then refuses more.
class FullDisk : public TMemoryStream {
public:
    explicit FullDisk(std::int64_t capacity) : capacity(capacity) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        const std::int64_t n = std::clamp<std::int64_t>(capacity - Size(), 0, count);
        return TMemoryStream::Write(buffer, n);
    }
    std::int64_t capacity;
};

TEST_F(CryptographyStreamTest, AFailedInnerWriteGivesAShortCount) {
    const Bytes plain = Payload(100);
    for (std::size_t piece : {1u, 16u, 100u}) {
        FullDisk disk(40); // room for two blocks and a half
        TEncryptionStream encryption(&disk, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                     &cipher);
        std::int64_t accepted = 0;
        for (std::size_t at = 0; at < plain.size(); at += piece) {
            const auto n = static_cast<std::int64_t>(std::min(piece, plain.size() - at));
            const std::int64_t taken = encryption.Write(plain.data() + at, n);
            accepted += taken;
            if (taken < n)
                break;
        }
        EXPECT_LT(accepted, 48) << "pieces of " << piece; // the third block was not stored
        EXPECT_GE(accepted, 32) << "pieces of " << piece;
    }
    // A write that ends exactly in the failing block still reports the failure.
    FullDisk disk(8);
    TEncryptionStream encryption(&disk, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
    EXPECT_THROW(encryption.WriteBuffer(plain.data(), 16), EWriteError);
}

TEST_F(CryptographyStreamTest, FinishReportsAFailedLastBlock) {
    FullDisk disk(16);
    TEncryptionStream encryption(&disk, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
    encryption.WriteBuffer(Payload(20).data(), 20);
    EXPECT_THROW(encryption.Finish(), EWriteError);

    TMemoryStream target;
    {
        TEncryptionStream finished(&target, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                   &cipher);
        finished.WriteBuffer(Payload(20).data(), 20);
        finished.Finish();
        EXPECT_EQ(target.Size(), 32);
    }
    EXPECT_EQ(target.Size(), 32); // nothing more when destroyed
}

// Marks its own destruction.
class TrackedStream : public TMemoryStream {
public:
    explicit TrackedStream(bool& destroyed) : destroyed(destroyed) {}
    ~TrackedStream() override { destroyed = true; }
    bool& destroyed;
};

class TrackedCipher : public TRC6 {
public:
    explicit TrackedCipher(bool& destroyed) : TRC6("MOLDRA"), destroyed(destroyed) {}
    ~TrackedCipher() override { destroyed = true; }
    bool& destroyed;
};

TEST_F(CryptographyStreamTest, FreesOnlyWhatItOwns) {
    bool streamGone = false;
    bool cipherGone = false;
    auto* inner = new TrackedStream(streamGone);
    auto* owned = new TrackedCipher(cipherGone);
    {
        TEncryptionStream stream(inner, TCipherOwnership::Owned, TStreamOwnership::Owned, owned);
        stream.WriteBuffer("abc", 3);
    }
    EXPECT_TRUE(streamGone);
    EXPECT_TRUE(cipherGone);

    bool borrowedGone = false;
    bool borrowedCipherGone = false;
    TrackedStream borrowed(borrowedGone);
    TrackedCipher borrowedCipher(borrowedCipherGone);
    {
        TDecryptionStream stream(&borrowed, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &borrowedCipher);
    }
    EXPECT_FALSE(borrowedGone);
    EXPECT_FALSE(borrowedCipherGone);
}

TEST(CryptographyFileStream, EncryptsIntoAFileAndReadsItBack) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("AppRule.dat").toStdString();
    TRC6 cipher("MOLDRA");
    const Bytes plain = Payload(382);
    {
        TMemoryStream work;
        work.Write(plain.data(), static_cast<std::int64_t>(plain.size()));
        TFileStream file(path, TFileMode::Create);
        TEncryptionStream stream(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
        stream.CopyFrom(work, 0);
    }
    TFileStream file(path, TFileMode::OpenRead);
    EXPECT_EQ(file.Size(), 384);
    TDecryptionStream stream(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                             &cipher);
    TMemoryStream work;
    work.CopyFrom(stream, 0);
    Bytes expected = plain;
    expected.resize(384, 0);
    EXPECT_EQ(Contents(work), expected);
}

} // namespace
