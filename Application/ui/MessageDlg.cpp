#include "Application/ui/MessageDlg.h"

#include "Application/ui/DialogParts.h"
#include "Application/ui/FormSkin.h"

using namespace vrx::forms;

TfrmMessageDlg::TfrmMessageDlg(TComponent* owner) : TForm(owner) {
    SetName("frmMessageDlg");
    dialog_parts::SetUpForm(*this, 300, 160);
    Image1 = dialog_parts::MakeIcon(*this);
    lblTitle = dialog_parts::MakeTitle(*this, 40, 11);
    lblMsg = dialog_parts::MakeMessage(*this, 32, 55, 250, 49);
    btnYes = dialog_parts::MakeButton(*this, "btnYes", "确定", 46, 112, 85, 35);
    btnNo = dialog_parts::MakeButton(*this, "btnNo", "取消", 174, 112, 85, 35);
    btnYes->OnClick = [this](TObject* s) { btnYesClick(s); };
    btnNo->OnClick = [this](TObject* s) { btnNoClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

void TfrmMessageDlg::FormCreate(TObject*) {
    answer_ = 2;
    skin_ = new TzhFomrSkin(*this);
}

void TfrmMessageDlg::FormDestroy(TObject*) {
    delete skin_;
    skin_ = nullptr;
}

void TfrmMessageDlg::btnYesClick(TObject*) {
    answer_ = 6;
    Close();
}

void TfrmMessageDlg::btnNoClick(TObject*) {
    answer_ = 7;
    Close();
}
