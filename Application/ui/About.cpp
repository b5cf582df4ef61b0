#include "Application/ui/About.h"

#include "Application/ui/Artwork.h"

#include "Application/utils/VersionText.h"

using namespace vrx::forms;

TfrmAbout::TfrmAbout(TComponent* owner) : TForm(owner) {
    SetName("frmAbout");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetPosition(TPosition::poScreenCenter);
    SetBounds(0, 0, 279, 174);

    imgLogo = new TImage(this);
    imgLogo->SetName("imgLogo");
    imgLogo->SetParent(this);
    imgLogo->SetBounds(0, 0, 279, 174);
    imgLogo->SetStretch(true);
    imgLogo->SetCursor(crHandPoint);
    imgLogo->SetPicture(AboutLogoPicture(279, 174));

    TFont font;
    font.Name = "宋体";
    font.Height = 12;

    lblVersion = new TLabel(this);
    lblVersion->SetName("lblVersion");
    lblVersion->SetParent(this);
    lblVersion->SetTransparent(true);
    lblVersion->SetAutoSize(false);
    font.Color = clWhite;
    lblVersion->SetFont(font);
    lblVersion->SetBounds(104, 134, 89, 14);

    lblClose = new TLabel(this);
    lblClose->SetName("lblClose");
    lblClose->SetParent(this);
    lblClose->SetTransparent(true);
    font.Color = 54528; // 0x00D500
    lblClose->SetFont(font);
    lblClose->SetLeft(240);
    lblClose->SetTop(157);
    lblClose->SetCaption("关闭");
    lblClose->SetCursor(crHandPoint);

    imgLogo->OnClick = [this](TObject* s) { imgLogoClick(s); };
    lblClose->OnClick = [this](TObject* s) { lblCloseClick(s); };
    lblVersion->OnClick = [this](TObject* s) { lblCloseClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TfrmAbout::FormCreate(TObject*) {
    lblVersion->SetCaption("Ver " + GetVersionText());
}

void TfrmAbout::imgLogoClick(TObject*) {
    Close();
}

void TfrmAbout::lblCloseClick(TObject*) {
    Close();
}
