#pragma once

#include "Application/core/PacketLog.h"
#include "Platform/forms/Form.h"
#include "Platform/os/WindowMessages.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vrx::forms {
class TImageList;
class TMemo;
class TMenuItem;
class TPopupMenu;
class TTrayIcon;
} // namespace vrx::forms

class TConfigData;
class TfrmKAInteractive;
struct TAccessRequest;
class TDriverInterface;
class TFilterCreator;
class TKernalCallBack;
class TModuleInfor;
class TProtocolDecoder;

/// How the application rules settle a request the driver holds: let it through, refuse it, or
/// ask the user (the request then stays refused until the user answers).
enum class TAccessOutcome { Allow, Deny, Ask };

/// The window messages the main form answers.
inline constexpr std::uint32_t WM_RELOADSETTINGS = 0x0401; // re-read settings and rules
inline constexpr std::uint32_t WM_STARTEDAGAIN = 0x0BD0;   // the program was started again
inline constexpr std::uint32_t WM_UNLOAD = 0x0BD1;         // "unload": end the program

/// The title under which the running program is found by a second copy.
inline constexpr const char* kProgramWindowTitle = "VORNEX_PERSONAL_FIREWALL";

/// The hidden main form: owns the program's long-lived objects, starts and stops them in
/// their order, lives in the tray, and carries the packet log memo.
class TfrmMain : public vrx::forms::TForm {
public:
    static constexpr vrx::forms::TColor kWindowColor = 13889475;
    static constexpr vrx::forms::TColor kTitleColor = 12445605;

    explicit TfrmMain(vrx::forms::TComponent* owner);
    ~TfrmMain() override;

    // Components.
    vrx::forms::TMemo* lsbLog = nullptr;
    vrx::forms::TImageList* img16 = nullptr;
    vrx::forms::TImageList* img32 = nullptr;
    vrx::forms::TTrayIcon* TrayIcon = nullptr;
    vrx::forms::TPopupMenu* ppmTrayIcon = nullptr;
    vrx::forms::TMenuItem* nniAdvanceSet = nullptr;
    vrx::forms::TMenuItem* nniAbout = nullptr;
    vrx::forms::TMenuItem* nniQuit = nullptr;

    // The long-lived objects, in the order of the form's fields; empty until Startup.
    std::unique_ptr<TKernalCallBack> KernalCallBack;
    std::unique_ptr<TDriverInterface> DriverInterface;
    std::unique_ptr<TModuleInfor> ModuleInfor;
    std::unique_ptr<TFilterCreator> FilterCreator;
    bool ShutDownDone = false;
    std::unique_ptr<TConfigData> ConfigData;
    bool NetConnected = false;
    std::string VersionText;
    std::unique_ptr<TProtocolDecoder> ProtocolDecoder;

    /// Writes the driver's log records into lsbLog (bound to the driver's OnLog).
    TPacketLog& PacketLog() { return *packetLog_; }
    std::uint32_t LastAlertTick() const { return packetLog_->LastAlertTick; }

    void FormCreate();
    bool Startup();
    bool ApplySecurityLevel();
    void DisconnectNetwork();
    void ShowConsole();
    void ShowAbout();
    /// Asks a yes/no question: 6 for Yes, 7 for No, 2 when closed otherwise.
    int AskYesNo(const std::string& text, vrx::forms::TComponent* owner = nullptr);
    void ShowInfo(const std::string& text, vrx::forms::TComponent* owner = nullptr);
    void ReloadSettings();

    // --- The access decision (DecideRequest, PermissionMatches and PortMatches run on the
    // request channel's worker thread; RememberAnswer on the main thread) ---
    /// Judges the request by the rule of its executable, under AppRulesLock; Status 0 when it
    /// is allowed, 0xC0000022 otherwise. An unreadable path allows; an error refuses.
    TAccessOutcome DecideRequest(TAccessRequest& request);
    /// Whether the current rule permits the request's operation.
    bool PermissionMatches(const TAccessRequest& request) const;
    /// Whether the current rule's remote-port restriction lets the request's port through.
    bool PortMatches(const TAccessRequest& request) const;
    /// Writes the user's answer for the file as its rule (a rule it has is rewritten), saves
    /// the rules and refreshes an idle edit copy, under AppRulesLock. Errors propagate with the
    /// table left as it was.
    void RememberAnswer(bool allow, const TModuleInfor& file);
    /// Shows the oldest queued request in the access prompt (made on first use, owned by the
    /// application object) unless the prompt is already showing one; in silent mode answers
    /// it as allowed and remembered instead. Bound as the request channel's prompt.
    bool PromptRequest(TAccessRequest& request);
    /// The access prompt, once a request has needed the user; null before.
    TfrmKAInteractive* AccessPrompt() const;
    void Shutdown();
    /// Paints the window and the components it owns in the program's greens, by their tags.
    static void ApplyColorScheme(vrx::forms::TForm& window);
    void TrayIconMouseUp(vrx::forms::TMouseButton button, int x, int y);

    /// The messages of the form's window (class "TfrmMain", caption "frmMain") and of the
    /// program's window titled kProgramWindowTitle.
    void HandleMessage(std::uint32_t message);

private:
    void createComponents();
    void registerWindows();

    class LogMemoOfMemo;
    std::unique_ptr<LogMemoOfMemo> logMemo_;
    std::unique_ptr<TPacketLog> packetLog_;
    vrx::os::WindowMessages::Registration formWindow_ = 0;
    vrx::os::WindowMessages::Registration programWindow_ = 0;
};

/// The single main form, reachable from every window.
extern TfrmMain* frmMain;
