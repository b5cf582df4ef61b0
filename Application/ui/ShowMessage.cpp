#include "Application/ui/ShowMessage.h"

#include "Application/ui/DialogParts.h"
#include "Application/ui/FormSkin.h"

using namespace vrx::forms;

TfrmMessage::TfrmMessage(TComponent* owner) : TForm(owner) {
    SetName("frmMessage");
    dialog_parts::SetUpForm(*this, 318, 172);
    Image1 = dialog_parts::MakeIcon(*this);
    lblTitle = dialog_parts::MakeTitle(*this, 48, 11);
    lblMsg = dialog_parts::MakeMessage(*this, 39, 56, 243, 33);
    btnYes = dialog_parts::MakeButton(*this, "btnYes", "确定", 126, 112, 64, 30);
    btnYes->OnClick = [this](TObject* s) { btnYesClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

void TfrmMessage::FormCreate(TObject*) {
    skin_ = new TzhFomrSkin(*this);
}

void TfrmMessage::FormDestroy(TObject*) {
    delete skin_;
    skin_ = nullptr;
}

void TfrmMessage::btnYesClick(TObject*) {
    Close();
}
