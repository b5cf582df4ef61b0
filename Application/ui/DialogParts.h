#pragma once

#include "Platform/forms/Buttons.h"
#include "Platform/forms/ExtCtrls.h"
#include "Platform/forms/Form.h"
#include "Platform/forms/StdCtrls.h"

#include <string>

/// The pieces that the two message dialogs share, as their form descriptions set them up.
namespace dialog_parts {

/// The caption of both message dialogs' title band.
inline constexpr const char* NoticeTitle = "VORNEX防火墙提示信息";

/// The form: borderless look comes from the skin; centred on the desktop, light-green.
void SetUpForm(vrx::forms::TForm& form, int width, int height);
/// The title icon at (6, 7), 31 x 31.
vrx::forms::TImage* MakeIcon(vrx::forms::TForm& form);
/// The white 16-pixel title on the band.
vrx::forms::TLabel* MakeTitle(vrx::forms::TForm& form, int left, int top);
/// The word-wrapped message.
vrx::forms::TLabel* MakeMessage(vrx::forms::TForm& form, int left, int top, int width, int height);
/// A rounded dark-green button with white text.
vrx::forms::TButton* MakeButton(vrx::forms::TForm& form, const std::string& name,
                                const std::string& caption, int left, int top, int width,
                                int height);

} // namespace dialog_parts
