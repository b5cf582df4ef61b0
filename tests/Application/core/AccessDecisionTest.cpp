#include "Application/appui/KAInteractive.h"
#include "Application/core/KernalCallBack.h"
#include "Application/core/MainForm.h"
#include "Application/monitor/ModuleInfor.h"
#include "Application/policy/ConfigData.h"
#include "Application/store/DataModule.h"
#include "Platform/forms/StdCtrls.h"
#include "tests/Application/core/MainFormFixture.h"
#include "tests/support/EventPump.h"
#include "tests/support/FakeProcesses.h"
#include "tests/support/FakeVersionResources.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

namespace {

using namespace std::chrono_literals;
using vrx::test::pumpUntil;
using vrx::vrxfw::Operation;
using Fields = std::map<std::string, std::string>;

constexpr std::uint32_t kPid = 501;
constexpr const char* kProgram = "/opt/Mail/bin/MailClient";

enum class Seen { Allowed, Refused, Asked };

/// The main form started on the stand-in driver, with processes whose executables the test
/// names and rules it adds to the live table.
class AccessDecisionTest : public MainFormFixture {
protected:
    vrx::test::FakeProcesses processes;
    vrx::test::FakeVersionResources versions;
    TfrmMain* form = nullptr;

    AccessDecisionTest() {
        vrx::os::platform().processes = &processes;
        vrx::os::platform().versionResources = &versions;
        processes.addProcess(kPid, kProgram);
        form = vrx::forms::Create<TfrmMain>(nullptr);
    }
    ~AccessDecisionTest() override {
        TfrmKAInteractive* prompt = form->AccessPrompt();
        form->Free();
        if (prompt)
            prompt->Free();
    }

    /// A rule for the program: every permission off and port type 0 unless the fields say
    /// otherwise.
    void addRule(const Fields& fields, const std::string& path = kProgram) {
        TdxMemData& rules = DM->tblAppRules;
        rules.Append();
        Fields all = {{"cAppModuleName", path},     {"nActionWhenAccessNet", "0"},
                      {"bTCPConnect", "False"},     {"bTCPListen", "False"},
                      {"bUDPSend", "False"},        {"bUDPReceive", "False"},
                      {"nTCPConnectPortType", "0"}, {"nActionWhenNotMatch", "1"}};
        for (const auto& [name, value] : fields)
            all[name] = value;
        for (const auto& [name, value] : all)
            rules.FieldByName(name)->SetAsString(value);
        rules.Post();
    }

    std::shared_ptr<vrx::vrxfw::HeldRequest> submit(Operation operation, std::uint16_t port) {
        return standIn.driver().submitRequest(operation, kPid, 0x0A00000A, port);
    }

    /// Waits until the prompt shows a request.
    TfrmKAInteractive* promptShown() {
        EXPECT_TRUE(
            pumpUntil([&] { return form->AccessPrompt() && form->AccessPrompt()->Visible(); }));
        return form->AccessPrompt();
    }

    /// Submits one request and waits for what becomes of it; a request for the user is then
    /// forbidden in the prompt (the box unticked), so that the next one starts alone.
    Seen judge(Operation operation, std::uint16_t port) {
        const auto held = submit(operation, port);
        TKernalCallBack& channel = *form->KernalCallBack;
        EXPECT_TRUE(pumpUntil([&] { return held->answer() || channel.PeekRequest(); }));
        if (channel.PeekRequest()) {
            EXPECT_EQ(channel.PeekRequest()->Status, STATUS_ACCESS_DENIED);
            TfrmKAInteractive* prompt = promptShown();
            prompt->btnPermitClick(prompt->btnDeny);
            EXPECT_EQ(held->waitForVerdict(10s), STATUS_ACCESS_DENIED);
            EXPECT_EQ(held->answer()->answeredDirectly, 0);
            EXPECT_FALSE(prompt->Visible());
            return Seen::Asked;
        }
        EXPECT_EQ(held->answer()->answeredDirectly, 1);
        return held->answer()->status == STATUS_SUCCESS ? Seen::Allowed : Seen::Refused;
    }
};

struct RuleCase {
    const char* name;
    Fields rule;
    Operation operation;
    std::uint16_t port;
    Seen expected;
};

TEST_F(AccessDecisionTest, RuleDecidesEachOperationThroughTheDriver) {
    const Fields range = {{"bTCPConnect", "True"},
                          {"nTCPConnectPortType", "1"},
                          {"nTCPConnectPortStart", "1000"},
                          {"nTCPConnectPortEnd", "2000"}};
    const Fields list = {{"bTCPConnect", "True"},
                         {"nTCPConnectPortType", "2"},
                         {"mTCPConnectPortList", "\r\n180\r\n25\r\n"}};
    const auto with = [](Fields fields, const char* name, const char* value) {
        fields[name] = value;
        return fields;
    };
    const Fields everything = {{"bTCPConnect", "True"},
                               {"bTCPListen", "True"},
                               {"bUDPSend", "True"},
                               {"bUDPReceive", "True"}};
    const RuleCase cases[] = {
        {"range upper end", range, Operation::TcpConnect, 2000, Seen::Allowed},
        {"range lower end", range, Operation::TcpConnect, 1000, Seen::Allowed},
        {"above range, ask", range, Operation::TcpConnect, 2001, Seen::Asked},
        {"above range, refuse", with(range, "nActionWhenNotMatch", "2"), Operation::TcpConnect,
         2001, Seen::Refused},
        {"not-match 0 refuses", with(range, "nActionWhenNotMatch", "0"), Operation::TcpConnect, 999,
         Seen::Refused},
        {"start above end", with(range, "nTCPConnectPortStart", "3000"), Operation::TcpConnect,
         2000, Seen::Asked},
        {"list line 180", list, Operation::TcpConnect, 180, Seen::Allowed},
        {"list line 25", list, Operation::TcpConnect, 25, Seen::Allowed},
        {"a line is compared as it is", with(list, "mTCPConnectPortList", "180\r\n 25\r\n443"),
         Operation::TcpConnect, 25, Seen::Asked},
        {"80 is not 180", list, Operation::TcpConnect, 80, Seen::Asked},
        {"18 is not 180", list, Operation::TcpConnect, 18, Seen::Asked},
        {"send judged as connect", list, Operation::TcpSend, 180, Seen::Allowed},
        {"send outside the list", list, Operation::TcpSend, 80, Seen::Asked},
        {"unknown port type", with(list, "nTCPConnectPortType", "7"), Operation::TcpConnect, 180,
         Seen::Asked},
        {"UDP send ignores ports", with(range, "bUDPSend", "True"), Operation::UdpSend, 5,
         Seen::Allowed},
        {"listen not permitted", range, Operation::TcpListen, 1500, Seen::Asked},
        {"UDP receive permitted",
         {{"bUDPReceive", "True"}},
         Operation::UdpReceive,
         53,
         Seen::Allowed},
        {"verdict 2 refuses all", with(everything, "nActionWhenAccessNet", "2"),
         Operation::TcpListen, 80, Seen::Refused},
        {"verdict 1 asks", with(everything, "nActionWhenAccessNet", "1"), Operation::TcpConnect, 80,
         Seen::Asked},
        {"other verdicts ask", with(everything, "nActionWhenAccessNet", "9"), Operation::UdpSend,
         80, Seen::Asked},
        {"operation above 4", with(everything, "nActionWhenNotMatch", "2"),
         static_cast<Operation>(5), 80, Seen::Refused},
    };
    for (const RuleCase& rule : cases) {
        SCOPED_TRACE(rule.name);
        DM->tblAppRules.Close();
        DM->tblAppRules.Open();
        addRule(rule.rule);
        EXPECT_EQ(judge(rule.operation, rule.port), rule.expected);
    }
}

TEST_F(AccessDecisionTest, RuleIsFoundByItsWholePathInAnyLetterCase) {
    addRule({{"bTCPConnect", "True"}}, "/OPT/mail/BIN/mailclient");
    addRule({{"bUDPSend", "True"}}, "/opt/Mail/bin/MailClient2");
    EXPECT_EQ(judge(Operation::TcpConnect, 80), Seen::Allowed);
    EXPECT_EQ(judge(Operation::UdpSend, 80), Seen::Asked) << "a longer path is another rule";
}

TEST_F(AccessDecisionTest, WithoutARuleTheUserIsAskedAndAnUnknownProcessIsLetThrough) {
    EXPECT_EQ(judge(Operation::TcpConnect, 80), Seen::Asked);
    processes.removeProcess(kPid);
    EXPECT_EQ(judge(Operation::TcpConnect, 80), Seen::Allowed);
}

TEST_F(AccessDecisionTest, PermittingWithTheBoxStoresARuleThatDecidesTheNextRequest) {
    const auto first = submit(Operation::TcpConnect, 443);
    TfrmKAInteractive* prompt = promptShown();
    EXPECT_NE(prompt->mmoFileInfo->Lines().Text().find(kProgram), std::string::npos);
    prompt->ckbAlwaysPermit->SetChecked(true);
    prompt->btnPermitClick(prompt->btnPermit);
    EXPECT_EQ(first->waitForVerdict(10s), STATUS_SUCCESS);
    EXPECT_EQ(DM->tblAppRules.RecordCount(), 1);
    EXPECT_EQ(judge(Operation::UdpReceive, 53), Seen::Allowed) << "decided without asking";
}

TEST_F(AccessDecisionTest, SilentModeAllowsAndRemembersWithoutShowingThePrompt) {
    form->ConfigData->AppRuleSilent = true;
    const auto silent = submit(Operation::TcpListen, 8080);
    ASSERT_TRUE(pumpUntil([&] { return silent->answer().has_value(); }));
    EXPECT_EQ(silent->answer()->status, STATUS_SUCCESS);
    EXPECT_EQ(silent->answer()->answeredDirectly, 0) << "answered from the queue";
    ASSERT_EQ(DM->tblAppRules.RecordCount(), 1);
    EXPECT_EQ(DM->tblAppRules.FieldByName("bTCPListen")->AsString(), "True");
    ASSERT_NE(form->AccessPrompt(), nullptr);
    EXPECT_FALSE(form->AccessPrompt()->Visible());

    // A rule that cannot be stored leaves the request to the user instead of waiting unseen.
    processes.addProcess(kPid, "/opt/Other/bin/Other");
    DM->tblAppRules.BeforePost = [](TdxMemData&) { throw std::runtime_error("disk full"); };
    const auto held = submit(Operation::TcpConnect, 80);
    TfrmKAInteractive* prompt = promptShown();
    ASSERT_EQ(boxes.asked.size(), 1u) << "the error was shown";
    EXPECT_FALSE(held->answer());
    prompt->btnPermitClick(prompt->btnPermit);
    EXPECT_EQ(held->waitForVerdict(10s), STATUS_SUCCESS);
    DM->tblAppRules.BeforePost = nullptr;
}

TEST_F(AccessDecisionTest, ARequestNobodyAnsweredIsRefusedAtShutdown) {
    const auto held = submit(Operation::TcpConnect, 80);
    TfrmKAInteractive* prompt = promptShown();
    form->Close();
    EXPECT_EQ(held->waitForVerdict(10s), STATUS_ACCESS_DENIED);
    EXPECT_FALSE(prompt->Visible());
    prompt->btnPermitClick(prompt->btnPermit); // let go of the channel: only closes
}

TEST_F(AccessDecisionTest, UnreadableRulesRefuse) {
    DM->tblAppRules.Close();
    EXPECT_EQ(judge(Operation::TcpConnect, 80), Seen::Refused);
}

// The prompt's file information: the executable's path and version strings as FillRequest
// leaves them.
class RememberAnswerTest : public AccessDecisionTest {
protected:
    TModuleInfor file;

    void load(const std::string& path) {
        file.ModulePath = path;
        (void)file.LoadVersionInfo(path);
    }
    std::string field(const char* name) { return DM->tblAppRules.FieldByName(name)->AsString(); }
};

TEST_F(RememberAnswerTest, AllowingStoresARuleThatDecidesTheNextRequest) {
    versions.addFile(
        kProgram, vrx::test::FakeVersionResources::versionInfo({{"ProductName", "Mail"},
                                                                {"FileDescription", "Mail client"},
                                                                {"ProductVersion", "3.1"}}));
    load(kProgram);
    DM->LoadAppRulesEdit();
    form->RememberAnswer(true, file);

    ASSERT_EQ(DM->tblAppRules.RecordCount(), 1);
    const Fields expected = {
        {"cAppModuleName", kProgram}, {"cAppName", "Mail"},          {"cAppDesc", "Mail client"},
        {"cAppVer", "3.1"},           {"nActionWhenAccessNet", "0"}, {"bTCPConnect", "True"},
        {"bTCPListen", "True"},       {"bUDPSend", "True"},          {"bUDPReceive", "True"},
        {"nTCPConnectPortType", "0"}, {"mTCPConnectPortList", ""},   {"nActionWhenNotMatch", "1"}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(field(name.c_str()), value) << name;
    EXPECT_EQ(DM->tblAppRulesEdit.RecordCount(), 1) << "the idle edit copy was reloaded";

    DM->tblAppRules.Close(); // what was saved is what the next run reads
    DM->LoadAppRules();
    EXPECT_EQ(DM->tblAppRules.RecordCount(), 1);
    EXPECT_EQ(judge(Operation::TcpListen, 8080), Seen::Allowed);
}

TEST_F(RememberAnswerTest, DenyingRewritesTheExistingRule) {
    addRule({{"bTCPConnect", "True"},
             {"nTCPConnectPortType", "1"},
             {"nTCPConnectPortStart", "10"},
             {"nTCPConnectPortEnd", "20"},
             {"cDesc", "kept"}},
            "/opt/mail/bin/mailclient");
    load(kProgram); // no version information
    DM->LoadAppRulesEdit();
    DM->tblAppRulesEdit.Insert(); // an edit in progress in the rules window is left alone
    form->RememberAnswer(false, file);

    ASSERT_EQ(DM->tblAppRules.RecordCount(), 1);
    EXPECT_EQ(field("cAppModuleName"), kProgram);
    EXPECT_EQ(field("nActionWhenAccessNet"), "2");
    EXPECT_EQ(field("bTCPConnect"), "False");
    EXPECT_EQ(field("nTCPConnectPortType"), "0");
    EXPECT_EQ(field("nTCPConnectPortStart"), "10");
    EXPECT_EQ(field("cDesc"), "kept");
    EXPECT_EQ(field("cAppName"), "");
    EXPECT_EQ(field("cAppDesc"), "MailClient");
    EXPECT_EQ(field("cAppVer"), "( 无 )");
    EXPECT_EQ(DM->tblAppRulesEdit.State(), vrx::forms::DataSetState::Insert);
    EXPECT_EQ(DM->tblAppRulesEdit.RecordCount(), 0);
    EXPECT_EQ(judge(Operation::TcpConnect, 15), Seen::Refused);
}

TEST_F(RememberAnswerTest, AFailedRememberLeavesTheTableAsItWas) {
    load(kProgram);
    DM->tblAppRules.BeforePost = [](TdxMemData&) { throw std::runtime_error("disk full"); };
    EXPECT_THROW(form->RememberAnswer(true, file), std::runtime_error);
    DM->tblAppRules.BeforePost = nullptr;
    EXPECT_EQ(DM->tblAppRules.State(), vrx::forms::DataSetState::Browse);
    EXPECT_EQ(DM->tblAppRules.RecordCount(), 0);
    EXPECT_EQ(judge(Operation::TcpConnect, 80), Seen::Asked);

    file.ModulePath.clear(); // the process ended before its file was found
    form->RememberAnswer(true, file);
    EXPECT_EQ(DM->tblAppRules.RecordCount(), 0);
}

} // namespace
