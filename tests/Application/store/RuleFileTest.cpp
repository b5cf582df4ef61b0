#include "Application/store/RuleFile.h"
#include "Application/store/CryptographyStream.h"
#include "Application/store/DatabaseError.h"
#include "Application/store/FileKey.h"
#include "Application/store/FileStream.h"
#include "Application/store/MemData.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleSchemas.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    return Bytes(all.begin(), all.end());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

Bytes Decrypted(const std::string& path) {
    TRC6 cipher(kFileKeyText);
    TFileStream file(path, TFileMode::OpenRead);
    TDecryptionStream stream(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                             &cipher);
    Bytes plain(static_cast<std::size_t>(stream.Size()));
    stream.SetPosition(0);
    stream.ReadBuffer(plain.data(), static_cast<std::int64_t>(plain.size()));
    return plain;
}

// A cipher whose encryption fails after a number of blocks, like a disk that fills up.
class FailingRC6 : public TRC6 {
public:
    explicit FailingRC6(std::size_t goodBlocks) : TRC6(kFileKeyText), left_(goodBlocks) {}
    bool EncipherBlock(std::uint8_t* block) override { return EncipherData(block, 1); }
    bool EncipherData(std::uint8_t* data, std::size_t blockCount) override {
        if (blockCount > left_)
            return false;
        left_ -= blockCount;
        return TRC6::EncipherData(data, blockCount);
    }

private:
    std::size_t left_;
};

// A record's values as texts; a string has no null flag in a file, so a null string reads back
// as the empty text and both show as "".
std::vector<std::string> Texts(const TdxMemData& table, int index) {
    std::vector<std::string> texts;
    const TRecord& record = table.RecordAt(index);
    for (int i = 1; i < table.FieldCount(); ++i) {
        const TFieldValue& value = record.values[static_cast<std::size_t>(i)];
        texts.push_back(table.Fields(i)->IsText() ? value.text
                        : value.isNull            ? "null"
                                                  : std::to_string(value.number));
    }
    return texts;
}

class RuleFileTest : public ::testing::Test {
protected:
    RuleFileTest() {
        DefineAppRulesFields(table);
        table.Open();
    }
    std::string Path() const { return dir.filePath("AppRule.dat").toStdString(); }
    void AddRule(const std::string& name) {
        table.Append();
        table.FieldByName("cAppName")->SetAsString(name);
        table.FieldByName("cAppModuleName")->SetAsString("/usr/bin/" + name);
        table.FieldByName("cDesc")->SetAsString("描述 " + name);
        table.FieldByName("bTCPConnect")->SetAsBoolean(true);
        table.Post();
    }

    QTemporaryDir dir;
    TdxMemData table;
    TRC6 cipher{kFileKeyText};
    TMemoryStream work;
};

TEST_F(RuleFileTest, AnEmptyApplicationTableIs382BytesPaddedTo384OnDisk) {
    RuleFile::Write(table, Path(), cipher, work);
    EXPECT_EQ(FileBytes(Path()).size(), 384u);
    const Bytes plain = Decrypted(Path());
    ASSERT_EQ(plain.size(), 384u);
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 3), (Bytes{'V', 'e', 'r'}));
    EXPECT_EQ(Bytes(plain.begin() + 382, plain.end()), (Bytes{0, 0}));

    AddRule("x");
    RuleFile::Read(table, Path(), cipher, work);
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST_F(RuleFileTest, RecordsReadBackUnchangedInTheirOrder) {
    for (const char* name : {"zeta", "alpha", "中文"})
        AddRule(name);
    RuleFile::Write(table, Path(), cipher, work);
    TdxMemData loaded;
    DefineAppRulesFields(loaded);
    RuleFile::Read(loaded, Path(), cipher, work);
    ASSERT_EQ(loaded.RecordCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Texts(loaded, i), Texts(table, i));
    EXPECT_EQ(loaded.RecordAt(2).recId, 3);
}

TEST_F(RuleFileTest, AFailedSaveLeavesTheOldFileWhole) {
    AddRule("kept");
    RuleFile::Write(table, Path(), cipher, work);
    const Bytes before = FileBytes(Path());
    for (int i = 0; i < 50; ++i)
        AddRule("new" + std::to_string(i));
    FailingRC6 failing(3);
    EXPECT_THROW(RuleFile::Write(table, Path(), failing, work), EWriteError);
    EXPECT_EQ(FileBytes(Path()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"AppRule.dat"});
}

TEST_F(RuleFileTest, SavingIntoAMissingFolderRaisesAndCreatesNothing) {
    const std::string path = dir.filePath("missing/AppRule.dat").toStdString();
    EXPECT_THROW(RuleFile::Write(table, path, cipher, work), EFOpenError);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST_F(RuleFileTest, WrongKeyAndDamagedFilesRaiseOrLoadWithoutCrashing) {
    for (int i = 0; i < 20; ++i)
        AddRule("rule" + std::to_string(i));
    RuleFile::Write(table, Path(), cipher, work);
    const Bytes good = FileBytes(Path());

    TRC6 wrongKey("WRONGKEY");
    TdxMemData loaded;
    DefineAppRulesFields(loaded);
    try {
        RuleFile::Read(loaded, Path(), wrongKey, work);
        EXPECT_EQ(loaded.RecordCount(), 0);
    } catch (const EDatabaseError&) {
    }

    // Damaged copies: truncated anywhere, single blocks overwritten.
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        Bytes damaged = good;
        if (round % 2 == 0)
            damaged.resize(random() % good.size());
        else
            for (int k = 0; k < 16; ++k)
                damaged[(random() % (good.size() / 16)) * 16 + static_cast<std::size_t>(k)] =
                    static_cast<std::uint8_t>(random());
        WriteBytes(Path(), damaged);
        try {
            RuleFile::Read(loaded, Path(), cipher, work);
            EXPECT_LE(loaded.RecordCount(), 20);
        } catch (const EDatabaseError&) {
            EXPECT_TRUE(loaded.Active());
        }
    }
}

TEST_F(RuleFileTest, AMissingFileRaisesTheOpenError) {
    EXPECT_THROW(RuleFile::Read(table, Path(), cipher, work), EFOpenError);
}

} // namespace
