#pragma once

#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/StdCtrls.h"

/// The about window, also the start-up splash: a borderless picture that stays on top, with
/// the version and a close label on it.
class TfrmAbout : public vrx::forms::TForm {
public:
    explicit TfrmAbout(vrx::forms::TComponent* owner);

    vrx::forms::TImage* imgLogo = nullptr;
    vrx::forms::TLabel* lblVersion = nullptr;
    vrx::forms::TLabel* lblClose = nullptr;

    void FormCreate(vrx::forms::TObject* sender);
    void imgLogoClick(vrx::forms::TObject* sender);
    void lblCloseClick(vrx::forms::TObject* sender);
};
