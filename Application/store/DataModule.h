#pragma once

#include "Application/store/MemData.h"
#include "Platform/forms/DataSource.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>

class TRC6;
class TMemoryStream;
namespace vrx::os {
class CriticalSection;
}

/// How the data module reaches the user: the main form's yes/no question, the plain system
/// message box and the application's standard error box. Unset, the message and the error go to
/// the application object (its message box and its standard error box, which tests answer
/// through its message box hook); the question is the main form's, which start-up connects —
/// unset, it counts as closed (answer 2), so an edit is cancelled rather than saved unasked.
struct TDataModuleDialogs {
    /// Asks a yes/no question; returns 6 for Yes, 7 for No, 2 when closed otherwise.
    std::function<int(const std::string& text)> AskYesNo;
    /// Shows a message in the plain system message box.
    std::function<void(const std::string& text)> ShowMessage;
    /// Shows an error that escaped, as the application's standard error box does.
    std::function<void(const std::exception& error)> ShowException;
};

/// The dialogs every data module uses.
extern TDataModuleDialogs DataModuleDialogs;

/// Whether a load first closes its table, so that the file's content replaces the table's.
enum class TReopen { No, Yes };

/// The data module: the five rule tables, the data sources the windows bind to, and the
/// operations that load and save the tables in their files. It exists once for the whole run
/// (the global DM), created before the main form.
///
/// Files, beside the running executable: "rules/AppRule.dat" (tblAppRules and its edit copy
/// tblAppRulesEdit), "rules/IPRule.dat" (tblIPRules), "rules/DftIPRule.dat" (tblDefaultIPRules,
/// and the source of a reset of tblIPRules), all encrypted table streams; "Protocol.dat"
/// (tblProtocol), tab-separated text. A missing rule file loads as an open, empty table and is
/// never created: saving into it writes nothing and reports false.
///
/// Locking: tblAppRules is read by the request channel's worker thread, so every replacement of
/// its content (LoadAppRules, ReloadAppRules) and SaveAppRules hold AppRulesLock, the critical
/// section the main form owns and hands over with SetAppRulesLock. Code that looks up or changes
/// tblAppRules itself (the access decision, the access prompt) takes the same lock around that
/// work; the lock is re-entrant, so such code may call LoadAppRules or SaveAppRules inside it.
/// Everything else runs on the main thread and takes no lock.
class TDM {
public:
    /// DataModuleCreate: the paths, the cipher and the work stream; then LoadAppRules and
    /// LoadProtocols. An error of those loads goes to the standard error box and skips the
    /// remaining steps; the data module exists all the same.
    TDM();
    /// DataModuleDestroy: closes tblProtocol, frees the cipher and the work stream.
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // --- Tables and data sources, in this order ---
    TdxMemData tblAppRules{"tblAppRules"};
    vrx::forms::TDataSource dsAppRulesEdit;
    TdxMemData tblAppRulesEdit{"tblAppRulesEdit"};
    TdxMemData tblIPRules{"tblIPRules"};
    vrx::forms::TDataSource dsIPRules;
    TdxMemData tblDefaultIPRules{"tblDefaultIPRules"};
    TdxMemData tblProtocol{"tblProtocol"};

    // --- Fields of tblAppRules ---
    TField* tblAppRulescAppName = nullptr;
    TField* tblAppRulescAppModuleName = nullptr;
    TField* tblAppRulescAppDesc = nullptr;
    TField* tblAppRulescAppVer = nullptr;
    TField* tblAppRulesnLength = nullptr;
    TField* tblAppRulescMD5ChkSum = nullptr;
    TField* tblAppRulesbTCPConnect = nullptr;
    TField* tblAppRulesbTCPListen = nullptr;
    TField* tblAppRulesbUDPSend = nullptr;
    TField* tblAppRulesbUDPReceive = nullptr;
    TField* tblAppRulesnTCPConnectPortType = nullptr;
    TField* tblAppRulesnTCPConnectPortStart = nullptr;
    TField* tblAppRulesnTCPConnectPortEnd = nullptr;
    TField* tblAppRulesmTCPPortList = nullptr; // mTCPConnectPortList
    TField* tblAppRulescDesc = nullptr;
    TField* tblAppRulesnnActionWhenNotMatch = nullptr; // nActionWhenNotMatch
    TField* tblAppRulesnActionWhenAccessNet = nullptr;

    // --- Fields of tblIPRules ---
    TField* tblIPRulesName = nullptr;
    TField* tblIPRulesFilterDesc = nullptr;
    TField* tblIPRulesOrderID = nullptr;
    TField* tblIPRulesRemoteIPType = nullptr;
    TField* tblIPRulesRemoteIP = nullptr;
    TField* tblIPRulesRemoteIPMask = nullptr;
    TField* tblIPRulesRemotePort = nullptr;
    TField* tblIPRulesRemotePort2 = nullptr;
    TField* tblIPRulesLocalPort = nullptr;
    TField* tblIPRulesLocalPort2 = nullptr;
    TField* tblIPRulesEtherType = nullptr;
    TField* tblIPRulesProtocolOnIP = nullptr;
    TField* tblIPRulesTCPFlags = nullptr;
    TField* tblIPRulesICMPType = nullptr;
    TField* tblIPRulesICMPCode = nullptr;
    TField* tblIPRulesFilterAction = nullptr;
    TField* tblIPRulesAlertType = nullptr;
    TField* tblIPRulesDirection = nullptr;
    TField* tblIPRulesPriority = nullptr;
    TField* tblIPRulesUse = nullptr;
    TField* tblIPRulesHigh = nullptr;
    TField* tblIPRulesMiddle = nullptr;
    TField* tblIPRulesLow = nullptr;

    // --- Fields of tblProtocol ---
    TField* tblProtocolcProtocol = nullptr;
    TField* tblProtocolcName = nullptr;
    TField* tblProtocolnType = nullptr;

    // --- Operations (each load replaces the table's whole content) ---
    /// Closes and reloads tblAppRules from "AppRule.dat", under AppRulesLock.
    void LoadAppRules();
    /// Writes tblAppRules to "AppRule.dat", under AppRulesLock; false when the file is missing.
    [[nodiscard]] bool SaveAppRules();
    /// Closes and reloads tblAppRulesEdit from "AppRule.dat".
    void LoadAppRulesEdit();
    /// Writes tblAppRulesEdit to "AppRule.dat"; false when the file is missing.
    [[nodiscard]] bool SaveAppRulesEdit();
    /// LoadAppRules under AppRulesLock (released also when the load fails).
    void ReloadAppRules();
    /// Closes and reloads tblIPRules from "IPRule.dat".
    void LoadIPRules();
    /// Writes tblIPRules to "IPRule.dat"; false when the file is missing.
    [[nodiscard]] bool SaveIPRules();
    /// Closes and reloads tblDefaultIPRules from "DftIPRule.dat".
    void LoadDefaultIPRules();
    /// Closes and reloads tblIPRules from "DftIPRule.dat", then SaveIPRules: the user's rules
    /// become the shipped defaults, records and order included. False when "IPRule.dat" is
    /// missing (the table in memory is reset all the same).
    [[nodiscard]] bool ResetIPRules();
    /// Loads tblProtocol from the text file "Protocol.dat"; a missing file raises EFOpenError.
    void LoadProtocols();

    // --- Generic file routines ---
    /// Computes the four paths and creates the cipher and the work stream.
    bool InitPaths();
    /// With TReopen::Yes closes the table first; a table that is not open is opened and, when
    /// the file exists, read with ReadTableFile. Returns what ReadTableFile returned, else false.
    /// Errors of the read (open, read, "The data is incorrect") propagate.
    bool LoadTable(TdxMemData& table, const std::string& path, TReopen reopen);
    /// Decrypts the file into the work stream and loads the table from it.
    bool ReadTableFile(TdxMemData& table, const std::string& path);
    /// WriteTableFile.
    [[nodiscard]] bool SaveTable(TdxMemData& table, const std::string& path);
    /// Writes the table, encrypted, in place of an existing file and returns true; writes nothing
    /// and returns false when no file exists at the path or the table is not open. The new
    /// content is written beside the file and replaces it in one step, so a failed save (raised
    /// as an error) leaves the old file whole.
    [[nodiscard]] bool WriteTableFile(TdxMemData& table, const std::string& path);

    // --- Event handlers ---
    /// Both IP tables: OrderID = EtherType "-" ProtocolOnIP "-" Priority in upper-case hex of at
    /// least 4, 2 and 4 digits.
    void tblIPRulesBeforePost(TdxMemData& dataSet);
    /// Port type 1 (range) needs both ports in 1 … 65535; otherwise message 50001 and a silent
    /// abort, the record staying in edit or insert state.
    void tblAppRulesEditBeforePost(TdxMemData& dataSet);
    /// After post and after delete: SaveAppRulesEdit, then ReloadAppRules.
    void tblAppRulesEditAfterPost(TdxMemData& dataSet);
    /// An edited record about to be left: question 30101; Yes posts (a refused post keeps the
    /// cursor where it is), any other answer cancels.
    void tblAppRulesEditBeforeScroll(TdxMemData& dataSet);
    /// dsAppRulesEdit is enabled exactly when tblAppRulesEdit holds a record.
    void tblAppRulesEditAfterScroll(TdxMemData& dataSet);

    // --- The lock of the live application rules ---
    /// The main form hands over the AppRulesLock it owns (nullptr when it goes). Before that only
    /// the main thread exists and the data module works without it.
    void SetAppRulesLock(vrx::os::CriticalSection* lock) { FAppRulesLock = lock; }
    vrx::os::CriticalSection* AppRulesLock() const { return FAppRulesLock; }

    // --- The data files' paths ---
    const std::string& AppRulesPath() const { return FAppRulesPath; }
    const std::string& IPRulesPath() const { return FIPRulesPath; }
    const std::string& DefaultIPRulesPath() const { return FDefaultIPRulesPath; }
    const std::string& ProtocolPath() const { return FProtocolPath; }

private:
    void DataModuleCreate();
    void DataModuleDestroy();

    std::string FAppRulesPath;
    std::string FIPRulesPath;
    std::string FDefaultIPRulesPath;
    std::string FProtocolPath;
    std::unique_ptr<TRC6> FCipher;
    std::unique_ptr<TMemoryStream> FWorkStream;
    vrx::os::CriticalSection* FAppRulesLock = nullptr;
};

/// The data module of the run; empty until it is created, cleared when it is destroyed.
extern TDM* DM;
