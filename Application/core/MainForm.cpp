#include "Application/core/MainForm.h"

#include "Application/appui/KAInteractive.h"
#include "Application/core/KernalCallBack.h"
#include "Application/core/ProgramLocks.h"
#include "Application/core/TrayImages.h"
#include "Application/driver/DriverInterface.h"
#include "Application/monitor/ModuleInfor.h"
#include "Application/monitor/ProtocolDecoder.h"
#include "Application/monitor/ProtocolName.h"
#include "Application/policy/ConfigData.h"
#include "Application/policy/FilterCreator.h"
#include "Application/resources/StringTable.h"
#include "Application/store/DataModule.h"
#include "Application/ui/About.h"
#include "Application/ui/MessageDlg.h"
#include "Application/ui/ShowMessage.h"
#include "Application/utils/ShellOpen.h"
#include "Application/utils/VersionText.h"
#include "Platform/forms/Application.h"
#include "Platform/forms/ComboBox.h"
#include "Platform/forms/DBCtrlGrid.h"
#include "Platform/forms/DBCtrls.h"
#include "Platform/forms/DBGrid.h"
#include "Platform/forms/ImageList.h"
#include "Platform/forms/Menus.h"
#include "Platform/forms/StdCtrls.h"
#include "Platform/forms/TrayIcon.h"
#include "Platform/forms/TreeView.h"
#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"

#include <QLocale>
#include <QTime>

TfrmMain* frmMain = nullptr;

using vrx::forms::Application;

namespace {

constexpr std::uint32_t kMbOk = 0x00000000;
constexpr int kStringWrongVersion = 50002;
constexpr int kStringNoDriver = 50003;

/// The time of day in the locale's long format, without a time zone.
std::string longTimeText() {
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QTime::currentTime().toString(format.trimmed()).toStdString();
}

} // namespace

/// The packet log's view of lsbLog: an entry's CR LF pairs become the memo's line breaks.
class TfrmMain::LogMemoOfMemo final : public LogMemo {
public:
    explicit LogMemoOfMemo(vrx::forms::TMemo& memo) : memo_(memo) {}
    int lineCount() const override { return memo_.Lines().Count(); }
    void clear() override { memo_.Lines().Clear(); }
    void addEntry(const std::string& text) override {
        std::string lines;
        lines.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                lines += text[i];
        memo_.Lines().Add(lines);
    }
    void beginUpdate() override { memo_.Lines().BeginUpdate(); }
    void endUpdate() override { memo_.Lines().EndUpdate(); }
    void scrollToEnd() override { memo_.ScrollToEnd(); }

private:
    vrx::forms::TMemo& memo_;
};

TfrmMain::TfrmMain(vrx::forms::TComponent* owner) : TForm(owner) {
    SetName("frmMain");
    SetCaption("frmMain");
    createComponents();
    OnCreate = [this](vrx::forms::TObject*) { FormCreate(); };
    OnCloseQuery = [this](vrx::forms::TObject*, bool& canClose) {
        if (!ShutDownDone)
            Shutdown();
        canClose = true;
    };
    OnDestroy = [this](vrx::forms::TObject*) {
        if (!ShutDownDone)
            Shutdown();
    };
    frmMain = this;
}

TfrmMain::~TfrmMain() {
    if (!ShutDownDone)
        Shutdown();
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::createComponents() {
    using namespace vrx::forms;
    lsbLog = new TMemo(this);
    lsbLog->SetName("lsbLog");
    lsbLog->SetParent(this);
    lsbLog->SetAlign(TAlign::alClient);
    lsbLog->SetReadOnly(true);
    lsbLog->SetVerticalScrollBar(true);
    lsbLog->SetColor(kWindowColor);

    img16 = new TImageList(this, 16, 16);
    img16->SetName("img16");
    img32 = new TImageList(this, 32, 32);
    img32->SetName("img32");
    FillTrayImages(*img16, *img32);

    ppmTrayIcon = new TPopupMenu(this);
    ppmTrayIcon->SetName("ppmTrayIcon");
    auto item = [this](const char* name, const char* caption) {
        auto* entry = new TMenuItem(this);
        entry->SetName(name);
        entry->SetCaption(caption);
        ppmTrayIcon->Add(entry);
        return entry;
    };
    nniAdvanceSet = item("nniAdvanceSet", "系统设置");
    item("N1", "-");
    nniAbout = item("nniAbout", "关于");
    item("N2", "-");
    nniQuit = item("nniQuit", "退出");
    nniAdvanceSet->OnClick = [this](TObject*) { ShowConsole(); };
    nniAbout->OnClick = [this](TObject*) { ShowAbout(); };
    nniQuit->OnClick = [](TObject*) { Application->Terminate(); };

    TrayIcon = new TTrayIcon(this);
    TrayIcon->SetName("TrayIcon");
    TrayIcon->SetHint("VORNEX防火墙个人版");
    TrayIcon->SetIcons(img32);
    TrayIcon->SetIconIndex(0);
    TrayIcon->SetPopupMenu(ppmTrayIcon);
    TrayIcon->SetAnimateInterval(500);
    TrayIcon->SetAnimateEndImage(1);
    TrayIcon->SetAnimateCycles(6);
    TrayIcon->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
        TrayIconMouseUp(button, x, y);
    };

    logMemo_ = std::make_unique<LogMemoOfMemo>(*lsbLog);
    packetLog_ = std::make_unique<TPacketLog>(
        *logMemo_,
        PacketLogHost{
            .protocolName = [](int protocol) { return ProtocolName(protocol); },
            .portName =
                [this](int port) {
                    return ProtocolDecoder
                               ? ProtocolDecoder->PortName(static_cast<std::uint16_t>(port))
                               : std::to_string(port);
                },
            .startBlinking = [this] { TrayIcon->StartAnimation(); },
            .soundFile =
                [this] {
                    return ConfigData ? ConfigData->SoundFile : TConfigData::DefaultSoundFile();
                },
            .timeText = longTimeText,
        });
}

void TfrmMain::FormCreate() {
    ShutDownDone = false;
    ConfigData = std::make_unique<TConfigData>();
    ConfigData->Load();
    if (!Startup()) {
        Application->Terminate();
        return;
    }
    ApplyColorScheme(*this);
    VersionText = GetVersionText();
    TrayIcon->SetVisible(true);
    ApplySecurityLevel();
    Application->Minimize();
    Application->HideWindow();
    registerWindows();
    if (!TrayIcon->ShownOnDesktop())
        std::fprintf(stderr, "vornexfw: this desktop shows no tray icons; start the program "
                             "again to bring it to the front.\n");
    if (ConfigData->VersionChanged) {
        OpenWithShell(vrx::os::platform().systemInfo->programFolder() + "NetFixup.Exe");
        ShowConsole();
    }
}

bool TfrmMain::Startup() {
    KernalCallBack.reset();
    DriverInterface.reset();
    ModuleInfor.reset();
    NetConnected = true;

    RequestQueueLock = new vrx::os::CriticalSection;
    AppRulesLock = new vrx::os::CriticalSection;
    DM->SetAppRulesLock(AppRulesLock);
    DataModuleDialogs.AskYesNo = [this](const std::string& text) { return AskYesNo(text); };

    Application->SetHintHidePause(60000);
    Application->SetHintColor(kWindowColor);

    FilterCreator = std::make_unique<TFilterCreator>();
    FilterCreator->FLocalNetIP = &ConfigData->LocalNetIP;
    FilterCreator->FLocalNetMask = &ConfigData->LocalNetMask;
    FilterCreator->FCustomRules = &DM->tblIPRules;
    FilterCreator->FDefaultRules = &DM->tblDefaultIPRules;
    FilterCreator->LoadCustomRules = [] { DM->LoadIPRules(); };
    FilterCreator->LoadDefaultRules = [] { DM->LoadDefaultIPRules(); };

    ProtocolDecoder = std::make_unique<TProtocolDecoder>();
    ProtocolDecoder->Table = &DM->tblProtocol;

    DriverInterface = std::make_unique<TDriverInterface>();
    if (!DriverInterface->Opened()) {
        Application->MessageBox(LoadStr(kStringNoDriver), Application->Title(), kMbOk);
        return false;
    }
    if (DriverInterface->DriverVersion() != RequiredDriverVersion) {
        Application->MessageBox(
            FormatStr(kStringWrongVersion, DriverInterface->DriverVersion(), RequiredDriverVersion),
            Application->Title(), kMbOk);
        return false;
    }
    DriverInterface->OnLog = [this](const std::uint8_t* records, std::int32_t count) {
        packetLog_->HandleLogRecords(records, count);
    };

    ModuleInfor = std::make_unique<TModuleInfor>();

    KernalCallBack = std::make_unique<TKernalCallBack>();
    KernalCallBack->SetDevice(DriverInterface->DeviceHandle());
    KernalCallBack->OnDecide = [this](TAccessRequest& request) {
        return DecideRequest(request) == TAccessOutcome::Ask;
    };
    KernalCallBack->OnPrompt = [this](TAccessRequest& request) { return PromptRequest(request); };
    KernalCallBack->SetEnabled(true);

    DriverInterface->SetDriverActive(true);
    return true;
}

bool TfrmMain::ApplySecurityLevel() {
    if (!FilterCreator || !DriverInterface || !ConfigData)
        return true;
    FilterCreator->SetFilterLevel(static_cast<TSaftyLevel>(ConfigData->SaftyLevel));
    (void)DriverInterface->SendFilters(FilterCreator->Filters(), FilterCreator->FilterCount());
    return true;
}

void TfrmMain::DisconnectNetwork() {
    if (!DriverInterface)
        return;
    TFilterRecord blockAll;
    blockAll.EtherType = 0x0008; // 0x0800 in network byte order
    (void)DriverInterface->SendFilters(&blockAll, 1);
}

void TfrmMain::ShowConsole() {
    // The console window joins here when it exists; until then the program comes to the front.
    Application->BringToFront();
}

void TfrmMain::ShowAbout() {
    auto* about = vrx::forms::Create<TfrmAbout>(nullptr);
    ApplyColorScheme(*about);
    try {
        about->ShowModal();
    } catch (...) {
        about->Free();
        throw;
    }
    about->Free();
}

int TfrmMain::AskYesNo(const std::string& text, vrx::forms::TComponent*) {
    // The question has no owner, whatever window asks it.
    auto* dialog = vrx::forms::Create<TfrmMessageDlg>(nullptr);
    dialog->lblMsg->SetCaption(text);
    ApplyColorScheme(*dialog);
    int answer = 2;
    try {
        dialog->ShowModal();
        answer = dialog->Answer();
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
    return answer;
}

void TfrmMain::ShowInfo(const std::string& text, vrx::forms::TComponent* owner) {
    auto* dialog = vrx::forms::Create<TfrmMessage>(owner);
    dialog->lblMsg->SetCaption(text);
    ApplyColorScheme(*dialog);
    try {
        dialog->ShowModal();
    } catch (...) {
        dialog->Free(); // freed also when showing fails; the error goes on to the handler
        throw;
    }
    dialog->Free();
}

void TfrmMain::ReloadSettings() {
    if (!ConfigData)
        return;
    ConfigData->Load();
    DM->ReloadAppRules();
    ApplySecurityLevel();
}

void TfrmMain::Shutdown() {
    ShutDownDone = true;
    if (formWindow_)
        vrx::os::platform().windowMessages->unregisterWindow(formWindow_);
    if (programWindow_)
        vrx::os::platform().windowMessages->unregisterWindow(programWindow_);
    formWindow_ = programWindow_ = 0;
    if (DriverInterface) {
        DriverInterface->SetDriverActive(false);
        DriverInterface->SetFilterEnabled(false);
        DriverInterface->OnLog = nullptr;
    }
    if (ConfigData) {
        ConfigData->Save();
        ConfigData.reset();
    }
    FilterCreator.reset();
    if (TfrmKAInteractive* prompt = AccessPrompt()) {
        // The prompt outlives the objects it answers through: it lets go of them here.
        prompt->Hide();
        prompt->KernalCallBack = nullptr;
        prompt->ProtocolDecoder = nullptr;
        prompt->RememberAnswer = nullptr;
    }
    if (KernalCallBack) {
        KernalCallBack->SetEnabled(false);
        KernalCallBack.reset();
    }
    ModuleInfor.reset();
    if (DM)
        DM->SetAppRulesLock(nullptr);
    DataModuleDialogs.AskYesNo = nullptr;
    delete RequestQueueLock;
    RequestQueueLock = nullptr;
    delete AppRulesLock;
    AppRulesLock = nullptr;
    DriverInterface.reset();
    ProtocolDecoder.reset();
}

namespace {

template <typename... Classes>
bool IsAnyOf(vrx::forms::TControl* control) {
    return ((dynamic_cast<Classes*>(control) != nullptr) || ...);
}

} // namespace

void TfrmMain::ApplyColorScheme(vrx::forms::TForm& window) {
    using namespace vrx::forms;
    window.SetColor(kWindowColor);
    TColor color = kWindowColor;
    for (int i = 0; i < window.ComponentCount(); ++i) {
        TComponent* component = window.Components(i);
        if (component->Tag() == 0)
            color = kWindowColor;
        else if (component->Tag() == 1)
            color = kTitleColor;
        // These classes and their descendants take the colour; a mask edit is no TEdit and a
        // data-aware check box is a check box, so neither is among them.
        auto* control = dynamic_cast<TControl*>(component);
        if (control && IsAnyOf<TMemo, TPanel, TLabel, TEdit, TGroupBox, TComboBox, TDBRadioGroup,
                               TDBEdit, TDBMemo, TDBCtrlGrid, TDBText, TDBGrid, TTreeView>(control))
            control->SetColor(color);
    }
}

void TfrmMain::TrayIconMouseUp(vrx::forms::TMouseButton button, int x, int y) {
    if (button == vrx::forms::TMouseButton::mbRight)
        ppmTrayIcon->Popup(x, y);
    else if (button == vrx::forms::TMouseButton::mbLeft)
        ShowConsole();
}

void TfrmMain::registerWindows() {
    vrx::os::WindowMessages& messages = *vrx::os::platform().windowMessages;
    auto handler = [this](std::uint32_t message, std::uint32_t, std::uint32_t) {
        HandleMessage(message);
    };
    formWindow_ = messages.registerWindow("TfrmMain", "frmMain", handler);
    programWindow_ = messages.registerWindow("TApplication", kProgramWindowTitle, handler);
}

void TfrmMain::HandleMessage(std::uint32_t message) {
    switch (message) {
    case WM_RELOADSETTINGS:
        ReloadSettings();
        break;
    case WM_STARTEDAGAIN:
        ShowConsole();
        break;
    case WM_UNLOAD:
        Application->Terminate(); // as the tray menu's Exit
        break;
    default:
        break;
    }
}
