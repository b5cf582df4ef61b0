#include "Application/policy/ConfigData.h"

#include "Application/store/Stream.h"
#include "Platform/os/Platform.h"
#include "tests/support/FakeSystemInfo.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using vrx::os::ScopedService;
using vrx::os::Services;
using vrx::os::SystemInfo;

namespace {

using Strings = std::vector<std::string>;

std::string ReadFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll().toStdString();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path;
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

// The container by hand, straight from the cipher: zero bytes up to a whole block, each block
// enciphered on its own.
std::string Encipher(std::string plain) {
    plain.resize((plain.size() + 15) / 16 * 16, '\0');
    TRC6 cipher("MOLDRA");
    TRC6::EncryptBlocks(cipher.RoundKeys(), reinterpret_cast<std::uint8_t*>(plain.data()),
                        plain.size() / 16);
    return plain;
}

std::string Decipher(std::string encrypted) {
    encrypted.resize(encrypted.size() / 16 * 16);
    TRC6 cipher("MOLDRA");
    TRC6::DecryptBlocks(cipher.RoundKeys(), reinterpret_cast<std::uint8_t*>(encrypted.data()),
                        encrypted.size() / 16);
    return encrypted;
}

class ConfigDataTest : public ::testing::Test {
protected:
    ConfigDataTest() { system.executablePath = folder() + "VornexFirewall"; }

    std::string folder() const { return dir.path().toStdString() + "/"; }
    std::string iniPath() const { return folder() + "config.ini"; }
    bool tempExists() const { return QFile::exists(QString::fromStdString(folder() + "tmp")); }
    QStringList folderEntries() const {
        return QDir(dir.path())
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    void WriteConfig(const std::string& plain) { WriteFile(iniPath(), Encipher(plain)); }
    // The deciphered file without the zero bytes that fill its last block.
    std::string ReadConfig() const {
        const std::string plain = Decipher(ReadFile(iniPath()));
        return plain.substr(0, plain.find('\0'));
    }

    QTemporaryDir dir;
    vrx::test::FakeSystemInfo system;
    ScopedService<SystemInfo> systemGuard{&Services::systemInfo, &system};
};

TEST_F(ConfigDataTest, ConstructionSetsTheFileNamesAndTouchesNoFile) {
    const TConfigData config;
    EXPECT_EQ(config.IniFileName, folder() + "config.ini");
    EXPECT_EQ(config.TempFileName, folder() + "tmp");
    EXPECT_EQ(config.SaftyLevel, 0);
    EXPECT_FALSE(config.VersionChanged);
    EXPECT_TRUE(config.Version.empty());
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(ConfigDataTest, FirstRunInAnEmptyFolderLeavesAnEmptyFileAndTakesTheDefaults) {
    TConfigData config;
    config.Load();

    EXPECT_EQ(folderEntries(), QStringList{"config.ini"});
    EXPECT_EQ(ReadFile(iniPath()), "");
    EXPECT_EQ(config.SaftyLevel, 1);
    EXPECT_FALSE(config.RunAtStart);
    EXPECT_FALSE(config.AppRuleSilent);
    EXPECT_EQ(config.SoundFile, folder() + "Sound/Alert.WAV");
    EXPECT_TRUE(config.LocalNetIP.empty());
    EXPECT_TRUE(config.LocalNetMask.empty());
    EXPECT_EQ(config.Version, "2.44");
    EXPECT_TRUE(config.VersionChanged);
}

TEST_F(ConfigDataTest, SaveWritesTheListedKeysInOrderAndANewRunReadsThemBack) {
    {
        TConfigData config;
        config.Load();
        config.RunAtStart = true;
        config.SaftyLevel = 3;
        config.SoundFile = "/home/用户/提示音.wav";
        config.AppRuleSilent = true;
        config.LocalNetIP = {"192.168.0.5", "10.0.0.1"};
        config.LocalNetMask = {"255.255.255.0", "255.0.0.0"};
        config.Save();
        EXPECT_FALSE(tempExists());
    }

    // The text is GB18030 (the path's Chinese characters are two bytes each).
    const std::string plain = ReadConfig();
    QStringDecoder gb18030("GB18030");
    ASSERT_TRUE(gb18030.isValid());
    EXPECT_EQ(QString(gb18030.decode(QByteArray::fromStdString(plain))).toStdString(),
              "[System]\r\n"
              "Version=2.44\r\n"
              "Run_At_Start=1\r\n"
              "Safty_Level=3\r\n"
              "Sound_File=/home/用户/提示音.wav\r\n"
              "App_Rule_Silent=1\r\n"
              "\r\n"
              "[Local_Net_Infor]\r\n"
              "Local_Net_Ip_0=192.168.0.5\r\n"
              "Local_Net_Mask_0=255.255.255.0\r\n"
              "Local_Net_Ip_1=10.0.0.1\r\n"
              "Local_Net_Mask_1=255.0.0.0\r\n");
    EXPECT_NE(plain.find("/home/\xD3\xC3\xBB\xA7/"), std::string::npos);

    TConfigData next;
    next.Load();
    EXPECT_FALSE(next.VersionChanged);
    EXPECT_EQ(next.Version, "2.44");
    EXPECT_TRUE(next.RunAtStart);
    EXPECT_EQ(next.SaftyLevel, 3);
    EXPECT_EQ(next.SoundFile, "/home/用户/提示音.wav");
    EXPECT_TRUE(next.AppRuleSilent);
    EXPECT_EQ(next.LocalNetIP, (Strings{"192.168.0.5", "10.0.0.1"}));
    EXPECT_EQ(next.LocalNetMask, (Strings{"255.255.255.0", "255.0.0.0"}));
    EXPECT_FALSE(tempExists());
}

TEST_F(ConfigDataTest, AnotherOrNoVersionLoadsTheOtherKeysAndMarksTheRunAsChanged) {
    for (const std::string versionLine : {"Version=2.43\r\n", "", "Version=\r\n"}) {
        WriteConfig("[System]\r\n" + versionLine +
                    "Run_At_Start=1\r\nSafty_Level=2\r\nSound_File=C:\\a.wav\r\n"
                    "App_Rule_Silent=1\r\n");
        TConfigData config;
        config.Load();
        EXPECT_EQ(config.Version, "2.44") << versionLine;
        EXPECT_TRUE(config.VersionChanged) << versionLine;
        EXPECT_TRUE(config.RunAtStart);
        EXPECT_EQ(config.SaftyLevel, 2);
        EXPECT_EQ(config.SoundFile, "C:\\a.wav");
        EXPECT_TRUE(config.AppRuleSilent);
    }
}

TEST_F(ConfigDataTest, VersionChangedStaysSetForTheRunAfterSaveAndReload) {
    TConfigData config;
    config.Load();
    ASSERT_TRUE(config.VersionChanged);
    config.Save();
    config.Load(); // ReloadSettings: the file now holds 2.44
    EXPECT_TRUE(config.VersionChanged);
}

TEST_F(ConfigDataTest, LocalNetKeysAreSortedByNameAndKeepTheirFileOrder) {
    WriteConfig("[System]\r\nVersion=2.44\r\n"
                "[Local_Net_Infor]\r\n"
                "Local_Net_Mask_0=255.0.0.0\r\n"
                "Local_Net_Ip_0=10.0.0.1\r\n"
                "Local_Net_Ip_7=192.168.1.1\r\n"
                "Local_Net_Mask_7=255.255.255.0\r\n"
                "local_net_ip_2=172.16.0.1\r\n"
                "Netmask=255.255.0.0\r\n");
    TConfigData config;
    config.Load();
    EXPECT_EQ(config.LocalNetIP, (Strings{"10.0.0.1", "192.168.1.1", "172.16.0.1"}));
    EXPECT_EQ(config.LocalNetMask, (Strings{"255.0.0.0", "255.255.255.0", "255.255.0.0"}));
}

TEST_F(ConfigDataTest, EveryAddressGetsAMaskOnLoadAndOnSave) {
    WriteConfig("[Local_Net_Infor]\r\nLocal_Net_Ip_0=10.0.0.1\r\nLocal_Net_Ip_1=10.0.0.2\r\n"
                "Local_Net_Mask_0=255.0.0.0\r\n");
    TConfigData config;
    config.Load();
    EXPECT_EQ(config.LocalNetMask, (Strings{"255.0.0.0", "0.0.0.0"}));

    config.LocalNetIP = {"10.0.0.1", "10.0.0.2"};
    config.LocalNetMask = {"255.0.0.0"};
    config.Save();
    EXPECT_NE(ReadConfig().find("Local_Net_Ip_1=10.0.0.2\r\nLocal_Net_Mask_1=0.0.0.0\r\n"),
              std::string::npos);
}

TEST_F(ConfigDataTest, KeysThatAreNotListedAreGoneAfterSave) {
    WriteConfig("[System]\r\nVersion=2.40\r\nOld_Key=7\r\nSafty_Level=0\r\n"
                "[Local_Net_Infor]\r\nLocal_Net_Ip_0=1.2.3.4\r\nLocal_Net_Mask_0=255.0.0.0\r\n"
                "[Obsolete]\r\nWhatever=1\r\n");
    TConfigData config;
    config.Load();
    config.LocalNetIP.clear();
    config.LocalNetMask.clear();
    config.Save();
    EXPECT_EQ(ReadConfig(), "[System]\r\nVersion=2.44\r\nRun_At_Start=0\r\nSafty_Level=0\r\n"
                            "Sound_File=" +
                                folder() + "Sound/Alert.WAV\r\nApp_Rule_Silent=0\r\n");
}

TEST_F(ConfigDataTest, NamesIgnoreCaseAndTheTextEndsAtTheFirstZeroByte) {
    WriteConfig(std::string("; comment\r\n[SYSTEM]\nversion = 2.44\rSAFTY_LEVEL=  3 \n"
                            "run_at_start=5\r\n") +
                std::string(1, '\0') + "[System]\r\nApp_Rule_Silent=1\r\n");
    TConfigData config;
    config.Load();
    EXPECT_FALSE(config.VersionChanged);
    EXPECT_EQ(config.SaftyLevel, 3);
    EXPECT_TRUE(config.RunAtStart);
    EXPECT_FALSE(config.AppRuleSilent);
}

TEST_F(ConfigDataTest, ValuesThatAreNoNumbersTakeTheDefaults) {
    WriteConfig("[System]\r\nSafty_Level=high\r\nRun_At_Start=yes\r\nApp_Rule_Silent=\r\n"
                "Sound_File=\r\n");
    TConfigData config;
    config.Load();
    EXPECT_EQ(config.SaftyLevel, 1);
    EXPECT_FALSE(config.RunAtStart);
    EXPECT_FALSE(config.AppRuleSilent);
    EXPECT_EQ(config.SoundFile, ""); // present, so not the default
}

// Damaged files: whatever deciphering gives, the load reads what makes sense and never fails.
struct Damage {
    const char* name;
    std::string file; // the bytes of config.ini
};

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::vector<Damage> Damages() {
    // Garbage without zero bytes, so that all of it is read as text.
    std::string garbage = RandomBytes(64 * 1024, 7);
    for (char& b : garbage)
        if (b == '\0')
            b = '[';
    return {
        {"RawGarbage", RandomBytes(4096, 1)},
        {"GarbageWithoutZeros", Encipher(garbage)},
        {"OneHugeLine", Encipher("[System]" + std::string(3 * 1024 * 1024, '=') + "\r\n")},
        {"NoLineBreaks", Encipher("[System]Safty_Level=3Run_At_Start=1")},
        {"ManyKeys", Encipher([] {
             std::string text = "[Local_Net_Infor]\n";
             for (int i = 0; i < 10000; ++i)
                 text += "Local_Net_Ip_" + std::to_string(i) + "=x\n";
             return text;
         }())},
        // The last whole block ends inside "Run_At_Start".
        {"TruncatedBlock",
         Encipher("[System]\r\nSafty_Level=2\r\nRun_At_Start=1\r\n").substr(0, 40)},
        {"GoodThenGarbage", Encipher("[System]\r\nSafty_Level=2\r\n") + RandomBytes(333, 3)},
    };
}

class ConfigDataDamage : public ConfigDataTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(ConfigDataDamage, LoadsAsFarAsItMakesSenseAndLeavesNoPlainCopy) {
    WriteFile(iniPath(), GetParam().file);
    TConfigData config;
    ASSERT_NO_THROW(config.Load());
    EXPECT_EQ(config.Version, "2.44");
    EXPECT_EQ(config.LocalNetIP.size(), config.LocalNetMask.size());
    EXPECT_FALSE(tempExists());
    const std::string name = GetParam().name;
    if (name == "GoodThenGarbage" || name == "TruncatedBlock") {
        EXPECT_EQ(config.SaftyLevel, 2);
        EXPECT_FALSE(config.RunAtStart);
    }
    if (name == "OneHugeLine" || name == "NoLineBreaks") {
        EXPECT_EQ(config.SaftyLevel, 1);
        EXPECT_FALSE(config.RunAtStart);
        EXPECT_EQ(config.SoundFile, folder() + "Sound/Alert.WAV");
    }
    if (name == "ManyKeys") {
        EXPECT_EQ(config.LocalNetIP.size(), 10000u);
    }
    // What was read can be saved and read again.
    ASSERT_NO_THROW(config.Save());
    TConfigData again;
    ASSERT_NO_THROW(again.Load());
    EXPECT_EQ(again.SaftyLevel, config.SaftyLevel);
    EXPECT_EQ(again.LocalNetIP, config.LocalNetIP);
}

INSTANTIATE_TEST_SUITE_P(Files, ConfigDataDamage, ::testing::ValuesIn(Damages()),
                         [](const auto& info) { return std::string(info.param.name); });

// A cipher that stops working after a number of blocks, as a disk that fills up would.
class FailingRC6 final : public TRC6 {
public:
    explicit FailingRC6(int blocksBeforeFailure) : TRC6("MOLDRA"), FLeft(blocksBeforeFailure) {}
    bool EncipherBlock(std::uint8_t* block) override {
        return Take(1) && TRC6::EncipherBlock(block);
    }
    bool EncipherData(std::uint8_t* data, std::size_t blockCount) override {
        return Take(static_cast<int>(blockCount)) && TRC6::EncipherData(data, blockCount);
    }

private:
    bool Take(int blocks) {
        FLeft -= blocks;
        return FLeft >= 0;
    }
    int FLeft;
};

TEST_F(ConfigDataTest, AFailedSaveLeavesTheOldFileWhole) {
    WriteConfig("[System]\r\nVersion=2.44\r\nSafty_Level=2\r\n");
    const std::string before = ReadFile(iniPath());

    TConfigData config;
    config.Load();
    config.SaftyLevel = 0;
    config.Cipher = std::make_unique<FailingRC6>(1);
    EXPECT_THROW(config.Save(), EStreamError);

    EXPECT_EQ(ReadFile(iniPath()), before);
    EXPECT_EQ(folderEntries(), QStringList{"config.ini"}); // no plain copy, no half-written file
}

TEST_F(ConfigDataTest, AnUnreadableFileRaisesAndLeavesTheMembersAsTheyWere) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("config.ini")); // a folder cannot be read as a file
    TConfigData config;
    config.SaftyLevel = 3;
    EXPECT_THROW(config.Load(), EStreamError);
    EXPECT_EQ(config.SaftyLevel, 3);
    EXPECT_FALSE(config.VersionChanged);
    EXPECT_FALSE(tempExists());
}

} // namespace
