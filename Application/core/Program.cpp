#include "Application/core/Program.h"

#include "Application/core/MainForm.h"
#include "Application/resources/StringTable.h"
#include "Application/store/DataModule.h"
#include "Application/ui/About.h"
#include "Platform/forms/Application.h"
#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/StdCtrls.h"
#include "Platform/os/Clock.h"
#include "Platform/os/Handles.h"
#include "Platform/os/NamedMutexes.h"
#include "Platform/os/Platform.h"
#include "Platform/os/WindowMessages.h"

#include <chrono>
#include <exception>
#include <memory>
#include <thread>

namespace {

constexpr const char* kMutexName = "VORNEX_PERSONAL_FIREWALL";
constexpr int kStringTitle = 10001;

using vrx::forms::Application;

/// The about window without border or close label, for at least one whole second.
void ShowSplash() {
    auto* splash = vrx::forms::Create<TfrmAbout>(nullptr);
    splash->SetHeight(splash->imgLogo->Height());
    splash->lblClose->Hide();
    splash->SetBorderStyle(vrx::forms::TFormBorderStyle::bsNone);
    splash->Show();
    vrx::os::Clock& clock = *vrx::os::platform().clock;
    const std::uint32_t start = clock.tickCount();
    while ((clock.tickCount() - start) / 1000 < 1) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    splash->Free();
}

} // namespace

bool CheckSingleInstance(const std::string& commandTail) {
    vrx::os::Services& services = vrx::os::platform();
    // The handle is kept open, and the mutex owned, until the process ends.
    const vrx::os::Handle mutex = services.mutexes->createMutex(true, kMutexName);
    if (mutex == vrx::os::kInvalidHandle || vrx::os::lastError() != vrx::os::error::kAlreadyExists)
        return false;
    vrx::os::closeHandle(mutex);
    if (const auto window = services.windowMessages->findWindow(std::nullopt, kProgramWindowTitle))
        services.windowMessages->postMessage(
            *window, commandTail == "unload" ? WM_UNLOAD : WM_STARTEDAGAIN, 0, 0);
    return true;
}

int RunProgram(const std::string& commandTail) {
    if (CheckSingleInstance(commandTail))
        return 1;
    try {
        ShowSplash();
        Application->SetTitle(LoadStr(kStringTitle));
        auto dataModule = std::make_unique<TDM>();
        auto* mainForm = vrx::forms::Create<TfrmMain>(nullptr);
        Application->SetMainForm(mainForm);
        Application->SetShowMainForm(false);
        Application->Run();
        mainForm->Free();
        dataModule.reset();
    } catch (const std::exception& error) {
        Application->ShowException(error);
    }
    return 0;
}
