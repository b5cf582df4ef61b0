#include "Application/core/MainForm.h"
#include "Application/core/Program.h"
#include "tests/Application/core/MainFormFixture.h"

#include "Application/core/KernalCallBack.h"

#include "Application/driver/DriverInterface.h"
#include "Application/policy/ConfigData.h"
#include "Application/resources/StringTable.h"
#include "Application/store/DataModule.h"
#include "Platform/forms/Application.h"
#include "Platform/forms/DBCtrlGrid.h"
#include "Platform/forms/DBCtrls.h"
#include "Platform/forms/DBGrid.h"
#include "Platform/forms/MaskEdit.h"
#include "Platform/forms/StdCtrls.h"
#include "Platform/forms/TrayIcon.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"
#include "tests/support/FakeNamedMutexes.h"
#include "tests/support/FakeShell.h"
#include "tests/support/FakeSystemInfo.h"
#include "tests/support/FakeWindowMessages.h"
#include "tests/support/ModalHooks.h"

#include <QFile>

#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using vrx::forms::Application;

class MainFormTest : public MainFormFixture {};

TEST_F(MainFormTest, StartsRunsMessagesAndShutsDownOnce) {
    auto* form = vrx::forms::Create<TfrmMain>(nullptr);
    for (const auto& box : boxes.asked)
        ADD_FAILURE() << box.text;
    EXPECT_TRUE(form->TrayIcon->Visible());
    EXPECT_TRUE(standIn.driver().active());
    EXPECT_EQ(standIn.driver().clientProcessId(), info.processId);
    ASSERT_TRUE(form->KernalCallBack && form->KernalCallBack->Enabled());
    EXPECT_EQ(callsOf(DriverCode::LoadFilters), 1u); // the level of a new configuration
    // A first run (no stored settings) starts the network repair helper.
    ASSERT_EQ(shell.requests().size(), 1u);
    EXPECT_EQ(shell.requests()[0].file, folder.filePath("NetFixup.Exe").toStdString());

    // Another program asks for a reload: the filter table goes to the driver again.
    const auto formWindow = windows.findWindow("TfrmMain", "frmMain");
    ASSERT_TRUE(formWindow);
    windows.postMessage(*formWindow, WM_RELOADSETTINGS, 0, 0);
    windows.deliverPosted();
    EXPECT_EQ(callsOf(DriverCode::LoadFilters), 2u);

    // Cutting the network sends one record: EtherType 08 00, every other byte zero.
    form->DisconnectNetwork();
    const auto calls = standIn.transcript().calls();
    const auto load = std::find_if(calls.rbegin(), calls.rend(), [](const auto& call) {
        return call.code == DriverCode::LoadFilters;
    });
    ASSERT_NE(load, calls.rend());
    std::vector<std::uint8_t> blockAll(34, 0);
    blockAll[0] = 0x08;
    EXPECT_EQ(load->in, blockAll);

    // "unload" from a second copy ends the program as the tray menu's Exit does.
    vrx::test::FakeNamedMutexes mutexes;
    mutexes.takenElsewhere["VORNEX_PERSONAL_FIREWALL"] = true;
    vrx::os::ScopedService<vrx::os::NamedMutexes> mutexGuard(&vrx::os::Services::mutexes, &mutexes);
    EXPECT_TRUE(CheckSingleInstance("unload"));
    EXPECT_FALSE(Application->Terminated());
    windows.deliverPosted();
    EXPECT_TRUE(Application->Terminated());

    form->Close();
    EXPECT_TRUE(form->ShutDownDone);
    EXPECT_FALSE(standIn.driver().active());
    EXPECT_TRUE(QFile::exists(folder.filePath("config.ini")));
    const std::size_t deactivations = callsOf(DriverCode::Deactivate);
    form->Free();
    EXPECT_EQ(callsOf(DriverCode::Deactivate), deactivations); // Shutdown ran once
}

TEST_F(MainFormTest, WrongDriverVersionEndsTheProgramWithBothVersions) {
    standIn.driver().setVersion(0x02000407);
    auto* form = vrx::forms::Create<TfrmMain>(nullptr);
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, FormatStr(50002, 0x02000407u, 0x02000406u));
    EXPECT_NE(boxes.asked[0].text.find("2000407"), std::string::npos);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(form->TrayIcon->Visible());
    EXPECT_EQ(callsOf(DriverCode::Deactivate), 0u);
    form->Free(); // Shutdown runs from the destruction and saves the settings
    EXPECT_TRUE(QFile::exists(folder.filePath("config.ini")));
    EXPECT_EQ(callsOf(DriverCode::Deactivate), 1u); // and switched the opened driver off
}

TEST_F(MainFormTest, NoDeviceShowsItsMessage) {
    vrx::vrxfw::unregisterStandIn();
    auto* form = vrx::forms::Create<TfrmMain>(nullptr);
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, LoadStr(50003));
    EXPECT_TRUE(Application->Terminated());
    form->Free();
}

TEST(SingleInstance, SecondCopyNotifiesTheRunningOneByItsTail) {
    vrx::test::FakeNamedMutexes mutexes;
    vrx::os::FakeWindowMessages windows;
    vrx::os::ScopedService<vrx::os::NamedMutexes> mutexGuard(&vrx::os::Services::mutexes, &mutexes);
    vrx::os::ScopedService<vrx::os::WindowMessages> windowGuard(&vrx::os::Services::windowMessages,
                                                                &windows);
    EXPECT_FALSE(CheckSingleInstance("unload")); // the first copy
    mutexes.takenElsewhere["VORNEX_PERSONAL_FIREWALL"] = true;
    EXPECT_TRUE(CheckSingleInstance("unload")); // no window: nothing posted
    EXPECT_TRUE(windows.posted().empty());

    windows.addForeignWindow("TApplication", "VORNEX_PERSONAL_FIREWALL");
    for (const auto& [tail, message] :
         std::vector<std::pair<std::string, std::uint32_t>>{{"unload", WM_UNLOAD},
                                                            {"Unload", WM_STARTEDAGAIN},
                                                            {"unload ", WM_STARTEDAGAIN},
                                                            {"", WM_STARTEDAGAIN}}) {
        EXPECT_TRUE(CheckSingleInstance(tail));
        ASSERT_FALSE(windows.posted().empty());
        EXPECT_EQ(windows.posted().back().message, message) << '"' << tail << '"';
    }
}

TEST(ColorScheme, TagsChooseTheGreenAndOnlyListedClassesTakeIt) {
    using namespace vrx::forms;
    constexpr TColor kUntouched = 0x123456;
    struct Case {
        std::function<TControl*(TForm*)> make;
        int tag;
        TColor expected;
    };
    // In creation order: tag 0 restarts the window colour, 1 switches to the green, any other
    // tag keeps the colour of the one before.
    const std::vector<Case> cases = {
        {[](TForm* f) { return new TLabel(f); }, 0, 13889475},
        {[](TForm* f) { return new TPanel(f); }, 1, 12445605},
        {[](TForm* f) { return new TEdit(f); }, 5, 12445605},
        {[](TForm* f) { return new TMaskEdit(f); }, 1, kUntouched},
        {[](TForm* f) { return new TDBEdit(f); }, 5, 12445605},
        {[](TForm* f) { return new TDBMemo(f); }, 0, 13889475},
        {[](TForm* f) { return new TDBRadioGroup(f); }, 1, 12445605},
        {[](TForm* f) { return new TDBCheckBox(f); }, 5, kUntouched},
        {[](TForm* f) { return new TDBCtrlGrid(f); }, 5, 12445605},
        {[](TForm* f) { return new TCheckBox(f); }, 0, kUntouched},
        {[](TForm* f) { return new TDBText(f); }, 5, 13889475},
        {[](TForm* f) { return new TDBGrid(f); }, 1, 12445605},
        {[](TForm* f) { return new TRadioGroup(f); }, 5, kUntouched},
    };
    auto* form = Create<TForm>(nullptr);
    std::vector<TControl*> controls;
    for (const Case& c : cases) {
        controls.push_back(c.make(form));
        controls.back()->SetTag(c.tag);
        controls.back()->SetColor(kUntouched);
    }
    TfrmMain::ApplyColorScheme(*form);
    EXPECT_EQ(form->Color(), 13889475u);
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(controls[i]->Color(), cases[i].expected) << "component " << i;
    form->Free();
}

} // namespace
