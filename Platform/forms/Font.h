#pragma once

#include "Platform/forms/Color.h"

#include <QFont>

#include <string>

namespace vrx::forms {

enum TFontStyle : unsigned { fsBold = 0x01, fsItalic = 0x02, fsUnderline = 0x04 };

/// A font as windows describe it: a face name, a character height in pixels, a colour and a
/// set of styles. Height 0 keeps the desktop's size.
struct TFont {
    std::string Name;
    int Height = 12;
    TColor Color = clBlack;
    unsigned Style = 0;

    QFont toQFont(const QFont& base = QFont()) const {
        QFont font(base);
        if (!Name.empty())
            font.setFamilies({QString::fromStdString(Name), QStringLiteral("WenQuanYi Micro Hei")});
        if (Height > 0)
            font.setPixelSize(Height);
        font.setBold(Style & fsBold);
        font.setItalic(Style & fsItalic);
        font.setUnderline(Style & fsUnderline);
        return font;
    }
    bool operator==(const TFont&) const = default;
};

} // namespace vrx::forms
