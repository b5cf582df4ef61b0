#pragma once

#include "Application/store/Rc6.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMemIniFile;

/// The program's settings, kept in "config.ini" in the program's folder. The file is the INI
/// text (GB18030, lines ending in CR LF) enciphered with RC6 under the rule files' key, in the
/// container of the cipher streams: whole 16-byte blocks, the last one filled with zero bytes,
/// so the deciphered text ends at its first zero byte.
///
///     [System]
///     Version=2.44
///     Run_At_Start=0          booleans "1" / "0", read as true for any non-zero number
///     Safty_Level=1           a security level, decimal
///     Sound_File=<path>
///     App_Rule_Silent=0
///
///     [Local_Net_Infor]
///     Local_Net_Ip_0=192.168.0.5
///     Local_Net_Mask_0=255.255.255.0
///     ...                     pairs for i = 0, 1, ...
///
/// While a load or a save runs, the plain text also stands in the file "tmp" beside it; that
/// file is removed when the load or save ends, whether it succeeded or not.
///
/// The members are public: the main form, the console, the settings window and the filter
/// compiler read and write them directly. Only the main thread uses the object.
class TConfigData {
public:
    /// The version every load leaves in Version; a file holding another one (or none) marks
    /// the run as the first of a new installation or of an upgrade.
    static constexpr const char* kVersion = "2.44";
    /// The cipher key text, the one of the rule files.
    static constexpr const char* kCipherKey = "MOLDRA";
    /// Safty_Level when the file has none: the middle level.
    static constexpr std::int32_t kDefaultSaftyLevel = 1;
    /// The value of a local network key that cannot be read.
    static constexpr const char* kDefaultLocalNet = "0.0.0.0";
    /// How much of the deciphered text a load reads. A real file is well below a kilobyte; a
    /// damaged one beyond this size is read only this far.
    static constexpr std::int64_t kMaxTextBytes = 1024 * 1024;

    /// Sets the file names from the program's folder and creates the lists and the cipher.
    /// Touches no file.
    TConfigData();
    ~TConfigData();
    TConfigData(const TConfigData&) = delete;
    TConfigData& operator=(const TConfigData&) = delete;

    /// Reads "config.ini" into the members; a missing file is created empty first, and every
    /// member the file does not hold (or holds in a form that cannot be read) takes its default.
    /// VersionChanged only ever becomes true here. File errors (an unreadable file, an
    /// unwritable folder) raise EStreamError and leave the members as they were.
    void Load();

    /// Writes the members to "config.ini", which is replaced in one step: when the save fails
    /// (raising EStreamError) the file stays as it was. Only the keys listed above are written.
    void Save();

    /// The Local_Net_Infor part of Load: every key of the section in file order goes to
    /// LocalNetIP when its name contains "Local_Net_Ip" (letter case ignored), to LocalNetMask
    /// otherwise; the number in the name is not read. Masks missing at the end are filled with
    /// "0.0.0.0", so that every address has a mask.
    void ReadLocalNet(const TMemIniFile& ini);
    /// The Local_Net_Infor part of Save: the section anew, the pairs Local_Net_Ip_i and
    /// Local_Net_Mask_i; an address without a mask is written with the mask "0.0.0.0".
    void WriteLocalNet(TMemIniFile& ini) const;

    /// Deciphers source into target (created or truncated). A missing source is created empty
    /// first. Raises EStreamError on a file error; returns true otherwise.
    bool DecryptToTemp(const std::string& source, const std::string& target);
    /// Enciphers source into target, which is replaced in one step and stays as it was when
    /// this fails. Raises EStreamError on a file error; returns true otherwise.
    bool EncryptFromTemp(const std::string& source, const std::string& target);

    // Members in their stored order. Texts are UTF-8.
    std::vector<std::string> KeyList; // key names of Local_Net_Infor at the last load
    std::string Version;
    std::unique_ptr<TRC6> Cipher;
    std::string TempFileName; // program folder + "tmp"
    std::string IniFileName;  // program folder + "config.ini"
    bool RunAtStart = false;
    /// True when a load of this run found no Version or one other than kVersion; never cleared.
    bool VersionChanged = false;
    bool AppRuleSilent = false;
    std::string SoundFile;
    std::vector<std::string> LocalNetIP;
    std::vector<std::string> LocalNetMask; // one per entry of LocalNetIP, at the same index
    std::int32_t SaftyLevel = 0;

    /// The alert sound of a new installation: program folder + "Sound" + separator +
    /// "Alert.WAV". The settings window resets the sound field to it as well.
    static std::string DefaultSoundFile();
};
