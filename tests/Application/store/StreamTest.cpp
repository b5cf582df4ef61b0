#include "Application/store/FileStream.h"
#include "Application/store/MemoryStream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string ReadAll(TStream& stream) {
    std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

TEST(MemoryStream, ReadsWritesAndSeeksFromEachOrigin) {
    TMemoryStream stream;
    EXPECT_EQ(stream.Write("abcdef", 6), 6);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(stream.Position(), 6);
    EXPECT_EQ(stream.Seek(1, TSeekOrigin::soBeginning), 1);
    EXPECT_EQ(stream.Seek(2, TSeekOrigin::soCurrent), 3);
    char c = 0;
    EXPECT_EQ(stream.Read(&c, 1), 1);
    EXPECT_EQ(c, 'd');
    EXPECT_EQ(stream.Seek(-1, TSeekOrigin::soEnd), 5);
    char rest[8] = {};
    EXPECT_EQ(stream.Read(rest, 8), 1); // short at the end
    EXPECT_EQ(rest[0], 'f');
    EXPECT_EQ(stream.Seek(-10, TSeekOrigin::soCurrent), 0); // not before the start
    EXPECT_THROW(stream.Seek(0, static_cast<TSeekOrigin>(3)), EStreamError);
}

TEST(MemoryStream, AGapWrittenPastTheEndReadsAsZeroAfterReuse) {
    TMemoryStream stream;
    stream.Write("xxxxxxxx", 8);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    stream.Seek(4, TSeekOrigin::soBeginning);
    stream.Write("ab", 2);
    EXPECT_EQ(ReadAll(stream), std::string("\0\0\0\0ab", 6));
}

TEST(CopyFrom, ACountOfZeroCopiesTheWholeSourceFromItsStart) {
    TMemoryStream source;
    std::string payload(100000, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 31);
    source.Write(payload.data(), static_cast<std::int64_t>(payload.size()));
    TMemoryStream target;
    EXPECT_EQ(target.CopyFrom(source, 0), 100000);
    EXPECT_EQ(ReadAll(target), payload);
}

TEST(CopyFrom, ASourceShorterThanTheCountRaisesAReadError) {
    TMemoryStream source;
    source.Write("abc", 3);
    source.SetPosition(0);
    TMemoryStream target;
    try {
        target.CopyFrom(source, 4);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

class FileStreamTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(FileStreamTest, CreatesWritesAndReadsBack) {
    {
        TFileStream file(Path("a.dat"), TFileMode::Create);
        file.WriteBuffer("hello world", 11);
    }
    TFileStream file(Path("a.dat"), TFileMode::OpenRead);
    EXPECT_EQ(file.Size(), 11);
    EXPECT_EQ(file.Seek(-5, TSeekOrigin::soEnd), 6);
    char word[5];
    file.ReadBuffer(word, 5);
    EXPECT_EQ(std::string(word, 5), "world");
    EXPECT_EQ(file.Read(word, 5), 0);
}

TEST_F(FileStreamTest, OpeningAMissingFileRaisesAnOpenError) {
    EXPECT_THROW(TFileStream(Path("missing.dat"), TFileMode::OpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(Path("missing.dat"), TFileMode::OpenReadWrite), EFOpenError);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("missing.dat"))));
    EXPECT_THROW(TFileStream(Path("no/such/folder.dat"), TFileMode::Create), EFOpenError);
}

TEST_F(FileStreamTest, CreateTruncatesAnExistingFile) {
    { TFileStream(Path("a.dat"), TFileMode::Create).WriteBuffer("long content", 12); }
    { TFileStream(Path("a.dat"), TFileMode::Create).WriteBuffer("new", 3); }
    TFileStream file(Path("a.dat"), TFileMode::OpenRead);
    EXPECT_EQ(ReadAll(file), "new");
}

TEST_F(FileStreamTest, AReplacementTakesEffectOnlyOnCommit) {
    { TFileStream(Path("a.dat"), TFileMode::Create).WriteBuffer("old", 3); }
    {
        TFileStream replacement(Path("a.dat"), TFileMode::CreateReplacement);
        replacement.WriteBuffer("abandoned", 9);
    }
    {
        TFileStream file(Path("a.dat"), TFileMode::OpenRead);
        EXPECT_EQ(ReadAll(file), "old");
    }
    {
        TFileStream replacement(Path("a.dat"), TFileMode::CreateReplacement);
        replacement.WriteBuffer("replaced", 8);
        replacement.Commit();
    }
    TFileStream file(Path("a.dat"), TFileMode::OpenRead);
    EXPECT_EQ(ReadAll(file), "replaced");
}

} // namespace
