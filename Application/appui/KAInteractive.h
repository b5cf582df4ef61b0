#pragma once

#include "Application/driver/DriverProtocol.h"
#include "Platform/forms/Buttons.h"
#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/StdCtrls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TKernalCallBack;
class TModuleInfor;
class TProtocolDecoder;
class TzhFomrSkin;

/// The small always-on-top window that asks the user whether an application may use the
/// network. It shows the oldest request waiting in the request channel's queue: what the
/// application attempts and which executable it is. Each answer completes that request and
/// moves the window on to the next one, or hides it when none is left. With the box ticked,
/// the answer is also stored as an application rule before the request is answered.
class TfrmKAInteractive : public vrx::forms::TForm {
public:
    explicit TfrmKAInteractive(vrx::forms::TComponent* owner);
    ~TfrmKAInteractive() override;

    // Components.
    vrx::forms::TImage* Image1 = nullptr;
    vrx::forms::TLabel* lblTitle = nullptr;
    vrx::forms::TMemo* mmoDesc = nullptr;
    vrx::forms::TLabel* Label3 = nullptr;
    vrx::forms::TMemo* mmoNetInfo = nullptr;
    vrx::forms::TLabel* Label1 = nullptr;
    vrx::forms::TImage* imgFileIcon = nullptr;
    vrx::forms::TMemo* mmoFileInfo = nullptr;
    vrx::forms::TCheckBox* ckbAlwaysPermit = nullptr;
    vrx::forms::TButton* btnPermit = nullptr;
    vrx::forms::TButton* btnDeny = nullptr;

    /// The request channel whose queue the window answers; set once by the main form, not owned.
    TKernalCallBack* KernalCallBack = nullptr;
    /// The main form's port-name decoder, not owned; without one ports show as bare numbers.
    TProtocolDecoder* ProtocolDecoder = nullptr;
    /// Stores the answer as an application rule (allow = true for btnPermit) from the file
    /// information that FillRequest read; throws when it could not be stored.
    std::function<void(bool allow, const TModuleInfor& file)> RememberAnswer;
    /// The window's own process information, separate from the one the decision uses; created
    /// in FormCreate.
    std::unique_ptr<TModuleInfor> ModuleInfor;

    /// Fills the window with what the request attempts and who its process is.
    void FillRequest(const TAccessRequest& request);
    /// Both buttons: btnPermit allows, anything else forbids. With the box ticked the answer is
    /// remembered first; if that fails, the request stays pending and the window as it is.
    void btnPermitClick(vrx::forms::TObject* sender);
    /// Answers the oldest pending request with the verdict (0 or 0xC0000022), then shows the
    /// next one or closes the window.
    void AnswerAndAdvance(std::uint32_t verdict);
    void FormCreate();
    void FormDestroy();
    void FormShow();
    /// Pressing the title or its icon drags the borderless window.
    void mmoNetInfoMouseDown(vrx::forms::TObject* sender, vrx::forms::TMouseButton button,
                             vrx::forms::TShiftState shift, int x, int y);

private:
    std::unique_ptr<TzhFomrSkin> skin_;
};
