#include "Application/ui/DialogParts.h"

#include "Application/ui/Artwork.h"

using namespace vrx::forms;

namespace dialog_parts {

namespace {

/// The font of the dialogs' texts: SimSun where it is installed, a CJK font otherwise.
TFont dialogFont(int height, TColor color, unsigned style = 0) {
    TFont font;
    font.Name = "宋体";
    font.Height = height;
    font.Color = color;
    font.Style = style;
    return font;
}

} // namespace

void SetUpForm(TForm& form, int width, int height) {
    form.SetPosition(TPosition::poDesktopCenter);
    form.SetColor(13889475);
    form.SetFont(dialogFont(12, clBlack));
    form.SetBounds(0, 0, width, height);
}

TImage* MakeIcon(TForm& form) {
    auto* image = new TImage(&form);
    image->SetName("Image1");
    image->SetParent(&form);
    image->SetBounds(6, 7, 31, 31);
    image->SetPicture(NoticeIconPicture(31));
    return image;
}

TLabel* MakeTitle(TForm& form, int left, int top) {
    auto* label = new TLabel(&form);
    label->SetName("lblTitle");
    label->SetParent(&form);
    label->SetTransparent(true);
    label->SetFont(dialogFont(16, clWhite));
    label->SetLeft(left);
    label->SetTop(top);
    label->SetCaption(NoticeTitle);
    return label;
}

TLabel* MakeMessage(TForm& form, int left, int top, int width, int height) {
    auto* label = new TLabel(&form);
    label->SetName("lblMsg");
    label->SetParent(&form);
    label->SetTransparent(true);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetFont(dialogFont(12, clBlack));
    label->SetBounds(left, top, width, height);
    return label;
}

TButton* MakeButton(TForm& form, const std::string& name, const std::string& caption, int left,
                    int top, int width, int height) {
    auto* button = new TButton(&form);
    button->SetName(name);
    button->SetParent(&form);
    button->SetBounds(left, top, width, height);
    button->SetFont(dialogFont(12, clWhite));
    button->SetColor(0x056D00);
    button->SetCornerRadius(10);
    button->SetCaption(caption);
    return button;
}

} // namespace dialog_parts
