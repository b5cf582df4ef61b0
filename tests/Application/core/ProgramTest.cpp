#include "Application/core/Program.h"

#include "Application/core/MainForm.h"
#include "Application/resources/StringTable.h"
#include "Application/store/DataModule.h"
#include "Application/ui/About.h"
#include "Platform/forms/Application.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/Messages.h"
#include "Platform/os/Clock.h"
#include "Platform/os/Platform.h"
#include "tests/support/FakeNamedMutexes.h"
#include "tests/support/FakeShell.h"
#include "tests/support/FakeSystemInfo.h"
#include "tests/support/FakeWindowMessages.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using vrx::forms::Application;
using vrx::forms::TForm;

TfrmAbout* findSplash() {
    for (TForm* form : Application->Forms())
        if (auto* about = dynamic_cast<TfrmAbout*>(form))
            return about;
    return nullptr;
}

/// A tick count that moves 100 ms whenever it is read, so the splash's wait ends on its own.
/// While the splash waits it reads the clock, and this clock then watches it: when the splash
/// is destroyed it notes the time and whether the data module existed yet.
class SplashWatch final : public vrx::os::Clock {
public:
    std::uint32_t tickCount() override {
        if (!shownAt)
            if (TfrmAbout* splash = findSplash()) {
                shownAt = now_;
                borderless = splash->BorderStyle() == vrx::forms::TFormBorderStyle::bsNone;
                closeLabelHidden = !splash->lblClose->Visible();
                splash->OnDestroy = [this, previous = splash->OnDestroy](vrx::forms::TObject* s) {
                    if (previous)
                        previous(s);
                    destroyedAt = now_;
                    dataModuleAtDestruction = DM != nullptr;
                };
            }
        now_ += 100;
        return now_;
    }

    std::optional<std::uint32_t> shownAt;
    std::optional<std::uint32_t> destroyedAt;
    bool dataModuleAtDestruction = false;
    bool borderless = false;
    bool closeLabelHidden = false;

private:
    std::uint32_t now_ = 5000;
};

/// The program started on the host platform in a folder of its own, with in-memory windows,
/// mutexes and clock, and no driver: the main form's start-up then fails with its one message
/// and the program ends through the normal path.
class ProgramTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    vrx::os::Services saved = vrx::os::platform();
    vrx::test::FakeSystemInfo info;
    vrx::os::FakeWindowMessages windows;
    vrx::os::FakeShell shell;
    vrx::test::FakeNamedMutexes mutexes;
    SplashWatch clock;
    vrx::forms::MessageBoxHook previousHook;

    struct Box {
        std::string text;
        bool splashExists = false;
        bool dataModuleExists = false;
    };
    std::vector<Box> boxes;

    ProgramTest() {
        vrx::os::installHostPlatform();
        info.executablePath = folder.path().toStdString() + "/vornexfw";
        vrx::os::Services& services = vrx::os::platform();
        services.systemInfo = &info;
        services.windowMessages = &windows;
        services.shell = &shell;
        services.mutexes = &mutexes;
        services.clock = &clock;
        QFile::copy(VRX_PROTOCOL_NAMES, folder.filePath("Protocol.dat"));
        previousHook =
            Application->SetMessageBoxHook([this](const vrx::forms::MessageBoxRequest& request) {
                boxes.push_back({request.text, findSplash() != nullptr, DM != nullptr});
                return vrx::forms::IDOK;
            });
    }
    ~ProgramTest() override {
        Application->SetMessageBoxHook(std::move(previousHook));
        Application->ClearTerminated();
        vrx::os::platform() = saved;
    }
};

TEST_F(ProgramTest, TheSplashIsShownForASecondAndFreedBeforeTheDataModuleIsCreated) {
    EXPECT_EQ(RunProgram(""), 0);

    ASSERT_TRUE(clock.shownAt) << "no splash";
    EXPECT_TRUE(clock.borderless);
    EXPECT_TRUE(clock.closeLabelHidden);
    ASSERT_TRUE(clock.destroyedAt) << "the splash was not freed";
    EXPECT_GE(*clock.destroyedAt - *clock.shownAt, 1000u);
    EXPECT_FALSE(clock.dataModuleAtDestruction);
    EXPECT_EQ(Application->Title(), LoadStr(10001));

    // The main form came after the data module: its start-up found no driver and said so once.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, LoadStr(50003));
    EXPECT_TRUE(boxes[0].dataModuleExists);
    EXPECT_FALSE(boxes[0].splashExists);
    // Everything the program made is gone again.
    EXPECT_EQ(DM, nullptr);
    EXPECT_TRUE(Application->Forms().empty());
}

TEST_F(ProgramTest, ASecondCopyNotifiesTheFirstAndEndsWithOneWithoutASplash) {
    mutexes.takenElsewhere["VORNEX_PERSONAL_FIREWALL"] = true;
    windows.addForeignWindow("TfrmMain", "VORNEX_PERSONAL_FIREWALL");
    EXPECT_EQ(RunProgram("unload"), 1);
    ASSERT_EQ(windows.posted().size(), 1u);
    EXPECT_EQ(windows.posted()[0].message, WM_UNLOAD);
    EXPECT_FALSE(clock.shownAt);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
