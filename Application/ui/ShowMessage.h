#pragma once

#include "Platform/forms/Buttons.h"
#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/StdCtrls.h"

class TzhFomrSkin;

/// The notice with one button. The caller sets lblMsg and shows it modally.
class TfrmMessage : public vrx::forms::TForm {
public:
    explicit TfrmMessage(vrx::forms::TComponent* owner);

    vrx::forms::TImage* Image1 = nullptr;
    vrx::forms::TLabel* lblTitle = nullptr;
    vrx::forms::TLabel* lblMsg = nullptr;
    vrx::forms::TButton* btnYes = nullptr;

    void FormCreate(vrx::forms::TObject* sender);
    void FormDestroy(vrx::forms::TObject* sender);
    void btnYesClick(vrx::forms::TObject* sender);

private:
    TzhFomrSkin* skin_ = nullptr;
};
