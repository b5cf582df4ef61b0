// The main form's access decision: how a request the driver holds is settled by the
// application rules on the worker thread, and how a user's answer becomes a rule.

#include "Application/core/MainForm.h"

#include "Application/appui/KAInteractive.h"
#include "Application/core/KernalCallBack.h"
#include "Application/core/ProgramLocks.h"
#include "Application/driver/DriverProtocol.h"
#include "Application/monitor/ModuleInfor.h"
#include "Application/policy/ConfigData.h"
#include "Application/resources/StringTable.h"
#include "Application/store/DataModule.h"
#include "Platform/forms/Application.h"
#include "Platform/os/CriticalSection.h"

#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <string_view>

namespace {

constexpr int kStringNone = 10004; // "( 无 )": no version

// Values of nActionWhenAccessNet and nActionWhenNotMatch.
constexpr int kDecideByPermissions = 0;
constexpr int kAlwaysRefuse = 2;
constexpr int kAskWhenNotMatched = 1;

// Values of nTCPConnectPortType.
constexpr int kAnyPort = 0;
constexpr int kPortRange = 1;
constexpr int kPortList = 2;

/// Whether one line of the port list, CR LF separated and trimmed of blanks and line breaks
/// as a whole, is the port number as it is normally written. Lines are compared as they are:
/// "180" is not port 80, and neither is " 80".
bool PortListContains(std::string_view list, unsigned port) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!list.empty() && isBlank(list.front()))
        list.remove_prefix(1);
    while (!list.empty() && isBlank(list.back()))
        list.remove_suffix(1);
    const std::string wanted = std::to_string(port);
    while (true) {
        const std::size_t end = list.find("\r\n");
        if (list.substr(0, end) == wanted)
            return true;
        if (end == std::string_view::npos)
            return false;
        list.remove_prefix(end + 2);
    }
}

std::string FileNamePart(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

} // namespace

TAccessOutcome TfrmMain::DecideRequest(TAccessRequest& request) {
    request.Status = STATUS_ACCESS_DENIED;
    vrx::os::OptionalLock lock(AppRulesLock);
    try {
        const std::string path = ModuleInfor->GetProcessPath(request.ProcessId);
        if (path.empty()) {
            // A process whose file cannot be found is let through without a rule.
            request.Status = STATUS_SUCCESS;
            return TAccessOutcome::Allow;
        }
        if (!DM->tblAppRules.Locate("cAppModuleName", path, TLocateOptions::CaseInsensitive))
            return TAccessOutcome::Ask;
        switch (DM->tblAppRulesnActionWhenAccessNet->AsInteger()) {
        case kDecideByPermissions:
            if (PermissionMatches(request)) {
                request.Status = STATUS_SUCCESS;
                return TAccessOutcome::Allow;
            }
            return DM->tblAppRulesnnActionWhenNotMatch->AsInteger() == kAskWhenNotMatched
                       ? TAccessOutcome::Ask
                       : TAccessOutcome::Deny;
        case kAlwaysRefuse:
            return TAccessOutcome::Deny;
        default:
            return TAccessOutcome::Ask;
        }
    } catch (const std::exception& error) {
        // The worker thread has no window to report to; a request the rules could not judge
        // is refused rather than let through.
        request.Status = STATUS_ACCESS_DENIED;
        std::fprintf(stderr, "vornexfw: access request refused, the rules could not be read: %s\n",
                     error.what());
        return TAccessOutcome::Deny;
    }
}

bool TfrmMain::PermissionMatches(const TAccessRequest& request) const {
    switch (request.Operation) {
    case opTcpConnect:
    case opTcpSend:
        return DM->tblAppRulesbTCPConnect->AsBoolean() && PortMatches(request);
    case opTcpListen:
        return DM->tblAppRulesbTCPListen->AsBoolean();
    case opUdpSend:
        return DM->tblAppRulesbUDPSend->AsBoolean();
    case opUdpReceive:
        return DM->tblAppRulesbUDPReceive->AsBoolean();
    default:
        return false;
    }
}

bool TfrmMain::PortMatches(const TAccessRequest& request) const {
    const unsigned port = request.Port;
    switch (DM->tblAppRulesnTCPConnectPortType->AsInteger()) {
    case kAnyPort:
        return true;
    case kPortRange:
        return static_cast<unsigned>(DM->tblAppRulesnTCPConnectPortStart->AsInteger()) <= port &&
               port <= static_cast<unsigned>(DM->tblAppRulesnTCPConnectPortEnd->AsInteger());
    case kPortList:
        return PortListContains(DM->tblAppRulesmTCPPortList->AsString(), port);
    default:
        return false;
    }
}

void TfrmMain::RememberAnswer(bool allow, const TModuleInfor& file) {
    const std::string& path = file.ModulePath;
    // A process that ended before its file was found leaves no path: a rule for the empty
    // path would never match anything, so the answer is given without one.
    if (path.empty())
        return;
    vrx::os::OptionalLock lock(AppRulesLock);
    TdxMemData& rules = DM->tblAppRules;
    try {
        if (rules.Locate("cAppModuleName", path, TLocateOptions::CaseInsensitive))
            rules.Edit();
        else
            rules.Insert();
        const std::string description = file.Value(vkFileDescription);
        const std::string version = file.Value(vkProductVersion);
        DM->tblAppRulesnActionWhenAccessNet->SetAsInteger(allow ? kDecideByPermissions
                                                                : kAlwaysRefuse);
        DM->tblAppRulescAppName->SetAsString(file.Value(vkProductName));
        DM->tblAppRulescAppDesc->SetAsString(description.empty() ? FileNamePart(path)
                                                                 : description);
        DM->tblAppRulescAppVer->SetAsString(version.empty() ? LoadStr(kStringNone) : version);
        DM->tblAppRulescAppModuleName->SetAsString(path);
        DM->tblAppRulesbTCPConnect->SetAsBoolean(allow);
        DM->tblAppRulesbTCPListen->SetAsBoolean(allow);
        DM->tblAppRulesbUDPSend->SetAsBoolean(allow);
        DM->tblAppRulesbUDPReceive->SetAsBoolean(allow);
        DM->tblAppRulesnTCPConnectPortType->SetAsInteger(kAnyPort);
        DM->tblAppRulesmTCPPortList->SetAsString({});
        DM->tblAppRulesnnActionWhenNotMatch->SetAsInteger(kAskWhenNotMatched);
        rules.Post();
    } catch (...) {
        // A half-set record would be posted by the worker's next lookup: drop it.
        rules.Cancel();
        throw;
    }
    // A missing rule file is never created (the data module's rule): the rule then lives for
    // this run only.
    (void)DM->SaveAppRules();
    TdxMemData& editCopy = DM->tblAppRulesEdit;
    if (editCopy.Active() && editCopy.State() == vrx::forms::DataSetState::Browse)
        DM->LoadAppRulesEdit();
}

TfrmKAInteractive* TfrmMain::AccessPrompt() const {
    // Looked up rather than kept: the application object owns the prompt and may free it first
    // when the program ends.
    return dynamic_cast<TfrmKAInteractive*>(
        vrx::forms::Application->FindComponent("frmKAInteractive"));
}

bool TfrmMain::PromptRequest(TAccessRequest&) {
    TfrmKAInteractive* prompt = AccessPrompt();
    if (!prompt)
        prompt = vrx::forms::Create<TfrmKAInteractive>(vrx::forms::Application);
    // Given every time: a prompt let go by an earlier shutdown of the main form is taken up
    // again by this one.
    prompt->KernalCallBack = KernalCallBack.get();
    prompt->ProtocolDecoder = ProtocolDecoder.get();
    prompt->RememberAnswer = [this](bool allow, const TModuleInfor& file) {
        RememberAnswer(allow, file);
    };
    // A prompt on screen shows the queued requests one after another as they are answered.
    if (prompt->Visible())
        return true;
    const TAccessRequest* oldest = KernalCallBack->PeekRequest();
    if (!oldest)
        return true;
    prompt->FillRequest(*oldest);
    if (ConfigData && ConfigData->AppRuleSilent) {
        prompt->ckbAlwaysPermit->SetChecked(true);
        prompt->btnPermitClick(prompt->btnPermit);
        // The rule could not be stored (the error was shown): the user answers instead, rather
        // than the request waiting unseen and every later one behind it.
        if (KernalCallBack->PeekRequest() && !prompt->Visible())
            prompt->Show();
    } else {
        prompt->Show();
    }
    return true;
}
