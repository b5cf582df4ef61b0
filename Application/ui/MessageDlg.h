#pragma once

#include "Platform/forms/Buttons.h"
#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/StdCtrls.h"

#include <cstdint>

class TzhFomrSkin;

/// The yes/no question. The caller sets lblMsg, shows it modally and reads Answer: 6 for
/// "确定", 7 for "取消", 2 when the window was closed any other way.
class TfrmMessageDlg : public vrx::forms::TForm {
public:
    explicit TfrmMessageDlg(vrx::forms::TComponent* owner);

    vrx::forms::TImage* Image1 = nullptr;
    vrx::forms::TLabel* lblTitle = nullptr;
    vrx::forms::TLabel* lblMsg = nullptr;
    vrx::forms::TButton* btnYes = nullptr;
    vrx::forms::TButton* btnNo = nullptr;

    std::int32_t Answer() const { return answer_; }

    void FormCreate(vrx::forms::TObject* sender);
    void FormDestroy(vrx::forms::TObject* sender);
    void btnYesClick(vrx::forms::TObject* sender);
    void btnNoClick(vrx::forms::TObject* sender);

private:
    std::int32_t answer_ = 2;
    TzhFomrSkin* skin_ = nullptr;
};
