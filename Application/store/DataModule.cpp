#include "Application/store/DataModule.h"

#include "Application/resources/StringTable.h"
#include "Application/store/FileKey.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleFile.h"
#include "Application/store/RuleSchemas.h"
#include "Application/store/TableText.h"
#include "Platform/forms/Application.h"
#include "Platform/forms/Messages.h"
#include "Platform/os/CriticalSection.h"
#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"

#include <QFileInfo>

#include <exception>
#include <mutex>

TDataModuleDialogs DataModuleDialogs;
TDM* DM = nullptr;

namespace {

constexpr int kAskYes = 6;
constexpr int kAskClosed = 2;
constexpr int kMsgSaveChangedRule = 30101;
constexpr int kMsgPortOutOfRange = 50001;

constexpr int kPortTypeRange = 1;
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

constexpr char kRulesFolder[] = "rules";
constexpr char kAppRulesFile[] = "AppRule.dat";
constexpr char kIPRulesFile[] = "IPRule.dat";
constexpr char kDefaultIPRulesFile[] = "DftIPRule.dat";
constexpr char kProtocolFile[] = "Protocol.dat";

int AskYesNo(const std::string& text) {
    return DataModuleDialogs.AskYesNo ? DataModuleDialogs.AskYesNo(text) : kAskClosed;
}

void ShowMessage(const std::string& text) {
    if (DataModuleDialogs.ShowMessage)
        DataModuleDialogs.ShowMessage(text);
    else
        (void)vrx::forms::Application->MessageBox(text, vrx::forms::Application->Title(),
                                                  vrx::forms::MB_OK);
}

void ShowException(const std::exception& error) {
    if (DataModuleDialogs.ShowException)
        DataModuleDialogs.ShowException(error);
    else
        vrx::forms::Application->ShowException(error);
}

bool FileExists(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

} // namespace

TDM::TDM() {
    DefineAppRulesFields(tblAppRules);
    DefineAppRulesFields(tblAppRulesEdit);
    DefineIPRulesFields(tblIPRules);
    DefineIPRulesFields(tblDefaultIPRules);
    DefineProtocolFields(tblProtocol);
    dsAppRulesEdit.SetDataSet(&tblAppRulesEdit);
    dsIPRules.SetDataSet(&tblIPRules);

    const auto app = [this](const char* name) { return tblAppRules.FieldByName(name); };
    tblAppRulescAppName = app("cAppName");
    tblAppRulescAppModuleName = app("cAppModuleName");
    tblAppRulescAppDesc = app("cAppDesc");
    tblAppRulescAppVer = app("cAppVer");
    tblAppRulesnLength = app("nLength");
    tblAppRulescMD5ChkSum = app("cMD5ChkSum");
    tblAppRulesbTCPConnect = app("bTCPConnect");
    tblAppRulesbTCPListen = app("bTCPListen");
    tblAppRulesbUDPSend = app("bUDPSend");
    tblAppRulesbUDPReceive = app("bUDPReceive");
    tblAppRulesnTCPConnectPortType = app("nTCPConnectPortType");
    tblAppRulesnTCPConnectPortStart = app("nTCPConnectPortStart");
    tblAppRulesnTCPConnectPortEnd = app("nTCPConnectPortEnd");
    tblAppRulesmTCPPortList = app("mTCPConnectPortList");
    tblAppRulescDesc = app("cDesc");
    tblAppRulesnnActionWhenNotMatch = app("nActionWhenNotMatch");
    tblAppRulesnActionWhenAccessNet = app("nActionWhenAccessNet");

    const auto ip = [this](const char* name) { return tblIPRules.FieldByName(name); };
    tblIPRulesName = ip("Name");
    tblIPRulesFilterDesc = ip("FilterDesc");
    tblIPRulesOrderID = ip("OrderID");
    tblIPRulesRemoteIPType = ip("RemoteIPType");
    tblIPRulesRemoteIP = ip("RemoteIP");
    tblIPRulesRemoteIPMask = ip("RemoteIPMask");
    tblIPRulesRemotePort = ip("RemotePort");
    tblIPRulesRemotePort2 = ip("RemotePort2");
    tblIPRulesLocalPort = ip("LocalPort");
    tblIPRulesLocalPort2 = ip("LocalPort2");
    tblIPRulesEtherType = ip("EtherType");
    tblIPRulesProtocolOnIP = ip("ProtocolOnIP");
    tblIPRulesTCPFlags = ip("TCPFlags");
    tblIPRulesICMPType = ip("ICMPType");
    tblIPRulesICMPCode = ip("ICMPCode");
    tblIPRulesFilterAction = ip("FilterAction");
    tblIPRulesAlertType = ip("AlertType");
    tblIPRulesDirection = ip("Direction");
    tblIPRulesPriority = ip("Priority");
    tblIPRulesUse = ip("Use");
    tblIPRulesHigh = ip("High");
    tblIPRulesMiddle = ip("Middle");
    tblIPRulesLow = ip("Low");

    tblProtocolcProtocol = tblProtocol.FieldByName("cProtocol");
    tblProtocolcName = tblProtocol.FieldByName("cName");
    tblProtocolnType = tblProtocol.FieldByName("nType");

    tblAppRulesEdit.BeforePost = [this](TdxMemData& t) { tblAppRulesEditBeforePost(t); };
    tblAppRulesEdit.AfterPost = [this](TdxMemData& t) { tblAppRulesEditAfterPost(t); };
    tblAppRulesEdit.AfterDelete = [this](TdxMemData& t) { tblAppRulesEditAfterPost(t); };
    tblAppRulesEdit.BeforeScroll = [this](TdxMemData& t) { tblAppRulesEditBeforeScroll(t); };
    tblAppRulesEdit.AfterScroll = [this](TdxMemData& t) { tblAppRulesEditAfterScroll(t); };
    tblIPRules.BeforePost = [this](TdxMemData& t) { tblIPRulesBeforePost(t); };
    tblDefaultIPRules.BeforePost = [this](TdxMemData& t) { tblIPRulesBeforePost(t); };

    DM = this;
    DataModuleCreate();
}

TDM::~TDM() {
    DataModuleDestroy();
    // dsAppRulesEdit stands before its table and outlives it: let go of both tables first.
    dsAppRulesEdit.SetDataSet(nullptr);
    dsIPRules.SetDataSet(nullptr);
    if (DM == this)
        DM = nullptr;
}

void TDM::DataModuleCreate() {
    // As the framework does for a creation handler: an error is shown and the rest of the
    // handler is skipped, the data module lives on.
    try {
        (void)InitPaths();
        LoadAppRules();
        LoadProtocols();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

void TDM::DataModuleDestroy() {
    tblProtocol.Close();
    FCipher.reset();
    FWorkStream.reset();
}

// --- Operations ---

void TDM::LoadAppRules() {
    vrx::os::OptionalLock lock(FAppRulesLock);
    (void)LoadTable(tblAppRules, FAppRulesPath, TReopen::Yes);
}

bool TDM::SaveAppRules() {
    vrx::os::OptionalLock lock(FAppRulesLock);
    return SaveTable(tblAppRules, FAppRulesPath);
}

void TDM::LoadAppRulesEdit() {
    (void)LoadTable(tblAppRulesEdit, FAppRulesPath, TReopen::Yes);
}

bool TDM::SaveAppRulesEdit() {
    return SaveTable(tblAppRulesEdit, FAppRulesPath);
}

void TDM::ReloadAppRules() {
    vrx::os::OptionalLock lock(FAppRulesLock);
    LoadAppRules();
}

void TDM::LoadIPRules() {
    (void)LoadTable(tblIPRules, FIPRulesPath, TReopen::Yes);
}

bool TDM::SaveIPRules() {
    return SaveTable(tblIPRules, FIPRulesPath);
}

void TDM::LoadDefaultIPRules() {
    (void)LoadTable(tblDefaultIPRules, FDefaultIPRulesPath, TReopen::Yes);
}

bool TDM::ResetIPRules() {
    (void)LoadTable(tblIPRules, FDefaultIPRulesPath, TReopen::Yes);
    return SaveIPRules();
}

void TDM::LoadProtocols() {
    TableText::LoadFromTextFile(tblProtocol, FProtocolPath);
}

// --- Generic file routines ---

bool TDM::InitPaths() {
    const std::string folder = vrx::os::platform().systemInfo->programFolder();
    const std::string rules = folder + kRulesFolder + '/';
    FAppRulesPath = rules + kAppRulesFile;
    FIPRulesPath = rules + kIPRulesFile;
    FDefaultIPRulesPath = rules + kDefaultIPRulesFile;
    FProtocolPath = folder + kProtocolFile;
    FCipher = std::make_unique<TRC6>(kFileKeyText);
    FWorkStream = std::make_unique<TMemoryStream>();
    return true;
}

bool TDM::LoadTable(TdxMemData& table, const std::string& path, TReopen reopen) {
    if (reopen == TReopen::Yes)
        table.Close();
    if (table.Active())
        return false;
    table.Open();
    // A missing file leaves the table open and empty; nothing creates the file.
    if (!FileExists(path))
        return false;
    return ReadTableFile(table, path);
}

bool TDM::ReadTableFile(TdxMemData& table, const std::string& path) {
    RuleFile::Read(table, path, *FCipher, *FWorkStream);
    return true;
}

bool TDM::SaveTable(TdxMemData& table, const std::string& path) {
    return WriteTableFile(table, path);
}

bool TDM::WriteTableFile(TdxMemData& table, const std::string& path) {
    // Only an existing file is written: the program never creates its rule files. A table that
    // is not open has nothing to say and leaves the file as it is.
    if (!FileExists(path) || !table.Active())
        return false;
    RuleFile::Write(table, path, *FCipher, *FWorkStream);
    return true;
}

// --- Event handlers ---

void TDM::tblIPRulesBeforePost(TdxMemData& dataSet) {
    dataSet.FieldByName("OrderID")->SetAsString(
        IPRuleOrderID(dataSet.FieldByName("EtherType")->AsInteger(),
                      dataSet.FieldByName("ProtocolOnIP")->AsInteger(),
                      dataSet.FieldByName("Priority")->AsInteger()));
}

void TDM::tblAppRulesEditBeforePost(TdxMemData& dataSet) {
    // Only a port range is checked; the port list and "any port" need no numbers, and types the
    // windows never produce pass as well.
    if (dataSet.FieldByName("nTCPConnectPortType")->AsInteger() != kPortTypeRange)
        return;
    const auto inRange = [](std::int32_t port) {
        return port >= kLowestPort && port <= kHighestPort;
    };
    const TField* start = dataSet.FieldByName("nTCPConnectPortStart");
    const TField* end = dataSet.FieldByName("nTCPConnectPortEnd");
    if (!start->IsNull() && !end->IsNull() && inRange(start->AsInteger()) &&
        inRange(end->AsInteger()))
        return;
    ShowMessage(LoadStr(kMsgPortOutOfRange));
    vrx::forms::Abort();
}

void TDM::tblAppRulesEditAfterPost(TdxMemData&) {
    // The file is the channel from the edit copy to the live table. A missing file writes
    // nothing, and the reload then shows the live table what the file holds.
    (void)SaveAppRulesEdit();
    ReloadAppRules();
}

void TDM::tblAppRulesEditBeforeScroll(TdxMemData& dataSet) {
    using vrx::forms::DataSetState;
    if (dataSet.State() != DataSetState::Edit && dataSet.State() != DataSetState::Insert)
        return;
    if (AskYesNo(LoadStr(kMsgSaveChangedRule)) == kAskYes)
        dataSet.Post(); // a refused post aborts, and with it the move
    else
        dataSet.Cancel();
}

void TDM::tblAppRulesEditAfterScroll(TdxMemData& dataSet) {
    dsAppRulesEdit.SetEnabled(dataSet.RecordCount() > 0);
}
