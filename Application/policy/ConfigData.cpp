#include "Application/policy/ConfigData.h"

#include "Application/policy/MemIniFile.h"
#include "Application/store/CryptographyStream.h"
#include "Application/store/FileStream.h"
#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr const char* kSystem = "System";
constexpr const char* kLocalNet = "Local_Net_Infor";
constexpr const char* kIpKeyPrefix = "Local_Net_Ip_";
constexpr const char* kMaskKeyPrefix = "Local_Net_Mask_";

std::string ProgramFolder() {
    return vrx::os::platform().systemInfo->programFolder();
}

// The folder ends in the host's separator; names below it are joined with the same one.
std::string JoinedWithSeparatorOf(const std::string& folder, const std::string& name) {
    const char separator = folder.empty() ? '/' : folder.back();
    return folder + name + separator;
}

// The file text is GB18030, which every UTF-8 text can be written in; its ASCII part is the
// same bytes in both, so the common case needs no conversion.
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string EncodeText(const std::string& utf8) {
    if (IsAscii(utf8))
        return utf8;
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw std::runtime_error("GB18030 text conversion is not available");
    return QByteArray(encoder.encode(QString::fromStdString(utf8))).toStdString();
}

// Bytes that form no character become U+FFFD, so a damaged file still reads as text.
std::string DecodeText(std::string_view bytes) {
    if (IsAscii(bytes))
        return std::string(bytes);
    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw std::runtime_error("GB18030 text conversion is not available");
    const QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return text.toStdString();
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return fold(a) == fold(b); }) != text.end();
}

// Removes the plain copy when a load or save ends, however it ends.
class TempFileRemover {
public:
    explicit TempFileRemover(const std::string& path) : FPath(QString::fromStdString(path)) {}
    ~TempFileRemover() { QFile::remove(FPath); }
    TempFileRemover(const TempFileRemover&) = delete;
    TempFileRemover& operator=(const TempFileRemover&) = delete;

private:
    QString FPath;
};

} // namespace

TConfigData::TConfigData()
    : Cipher(std::make_unique<TRC6>(kCipherKey)), TempFileName(ProgramFolder() + "tmp"),
      IniFileName(ProgramFolder() + "config.ini") {}

TConfigData::~TConfigData() = default;

std::string TConfigData::DefaultSoundFile() {
    return JoinedWithSeparatorOf(ProgramFolder(), "Sound") + "Alert.WAV";
}

bool TConfigData::DecryptToTemp(const std::string& source, const std::string& target) {
    if (!QFileInfo::exists(QString::fromStdString(source)))
        TFileStream created(source, TFileMode::Create);
    TFileStream in(source, TFileMode::OpenRead);
    TFileStream out(target, TFileMode::Create);
    TDecryptionStream decipher(&in, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                               Cipher.get());
    out.CopyFrom(decipher, 0);
    return true;
}

bool TConfigData::EncryptFromTemp(const std::string& source, const std::string& target) {
    TFileStream in(source, TFileMode::OpenRead);
    TFileStream out(target, TFileMode::CreateReplacement);
    {
        TEncryptionStream encipher(&out, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                   Cipher.get());
        encipher.CopyFrom(in, 0);
        encipher.Finish();
    }
    out.Commit();
    return true;
}

void TConfigData::Load() {
    std::string plain;
    {
        TempFileRemover remover(TempFileName);
        DecryptToTemp(IniFileName, TempFileName);
        TFileStream temp(TempFileName, TFileMode::OpenRead);
        plain.resize(static_cast<std::size_t>(std::min(temp.Size(), kMaxTextBytes)));
        plain.resize(static_cast<std::size_t>(
            temp.Read(plain.data(), static_cast<std::int64_t>(plain.size()))));
    }
    // The text ends at the first zero byte: the padding of the last cipher block, or the point
    // where a damaged file stops making sense.
    plain.resize(std::min(plain.size(), std::strlen(plain.c_str())));
    const TMemIniFile ini(DecodeText(plain));

    Version = ini.ReadString(kSystem, "Version", "");
    if (Version != kVersion) {
        Version = kVersion;
        VersionChanged = true;
    }
    RunAtStart = ini.ReadBool(kSystem, "Run_At_Start", false);
    SaftyLevel = ini.ReadInteger(kSystem, "Safty_Level", kDefaultSaftyLevel);
    SoundFile = ini.ReadString(kSystem, "Sound_File", DefaultSoundFile());
    AppRuleSilent = ini.ReadBool(kSystem, "App_Rule_Silent", false);
    ReadLocalNet(ini);
}

void TConfigData::ReadLocalNet(const TMemIniFile& ini) {
    KeyList = ini.ReadSection(kLocalNet);
    LocalNetIP.clear();
    LocalNetMask.clear();
    for (const std::string& key : KeyList) {
        std::string value = ini.ReadString(kLocalNet, key, kDefaultLocalNet);
        if (ContainsIgnoringCase(key, "Local_Net_Ip"))
            LocalNetIP.push_back(std::move(value));
        else
            LocalNetMask.push_back(std::move(value));
    }
    // A damaged or hand-edited file may hold fewer masks than addresses; the readers of the
    // lists rely on a mask at the index of every address.
    if (LocalNetMask.size() < LocalNetIP.size())
        LocalNetMask.resize(LocalNetIP.size(), kDefaultLocalNet);
}

void TConfigData::WriteLocalNet(TMemIniFile& ini) const {
    ini.EraseSection(kLocalNet);
    for (std::size_t i = 0; i < LocalNetIP.size(); ++i) {
        const std::string number = std::to_string(i);
        ini.WriteString(kLocalNet, kIpKeyPrefix + number, LocalNetIP[i]);
        ini.WriteString(kLocalNet, kMaskKeyPrefix + number,
                        i < LocalNetMask.size() ? LocalNetMask[i] : kDefaultLocalNet);
    }
}

void TConfigData::Save() {
    // The INI starts empty, so keys of older files that are not listed here are dropped.
    TMemIniFile ini;
    ini.WriteString(kSystem, "Version", Version);
    ini.WriteBool(kSystem, "Run_At_Start", RunAtStart);
    ini.WriteInteger(kSystem, "Safty_Level", SaftyLevel);
    ini.WriteString(kSystem, "Sound_File", SoundFile);
    ini.WriteBool(kSystem, "App_Rule_Silent", AppRuleSilent);
    WriteLocalNet(ini);

    TempFileRemover remover(TempFileName);
    {
        const std::string bytes = EncodeText(ini.Text());
        TFileStream temp(TempFileName, TFileMode::Create);
        temp.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    }
    EncryptFromTemp(TempFileName, IniFileName);
}
