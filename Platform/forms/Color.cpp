#include "Platform/forms/Color.h"

#include <QGuiApplication>
#include <QPalette>

namespace vrx::forms {

namespace {

QColor systemColor(TColor color) {
    const QPalette palette = QGuiApplication::palette();
    switch (color & 0xFF) {
    case 0x03: // inactive caption
        return QColor(0x80, 0x80, 0x80);
    case 0x05: // window background
        return palette.color(QPalette::Base);
    case 0x08: // window text
        return palette.color(QPalette::Text);
    case 0x0D: // selected item background
        return palette.color(QPalette::Highlight);
    case 0x0F: // button face
        return palette.color(QPalette::Button);
    case 0x13: // inactive caption text
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace

QColor toQColor(TColor color) {
    if (color & 0x80000000u)
        return systemColor(color);
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

TColor fromQColor(const QColor& color) {
    return rgb(static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
               static_cast<std::uint8_t>(color.blue()));
}

} // namespace vrx::forms
