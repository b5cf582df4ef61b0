#pragma once

#include "Platform/forms/Color.h"
#include "Platform/forms/Events.h"

#include <QRegion>

#include <cstdint>

namespace vrx::forms {
class TForm;
class TObject;
} // namespace vrx::forms

/// Gives a form the program's drawn look: no frame, a rounded outline, a dark-green title band
/// over a light-green body, and dragging by a press anywhere on the form's own surface. The
/// form creates its skin in its creation handler and deletes it in its destruction handler;
/// deleting the skin gives the form back its own paint and resize handlers.
class TzhFomrSkin {
public:
    explicit TzhFomrSkin(vrx::forms::TForm& form);
    ~TzhFomrSkin();
    TzhFomrSkin(const TzhFomrSkin&) = delete;
    TzhFomrSkin& operator=(const TzhFomrSkin&) = delete;

    /// The window region set at construction (the window keeps it; the skin never frees it).
    const QRegion& Region() const { return region_; }
    int TitleHeight() const { return titleHeight_; }
    int Margin() const { return margin_; }
    int CornerSize() const { return cornerSize_; }
    vrx::forms::TColor TitleColor() const { return titleColor_; }
    vrx::forms::TColor BodyColor() const { return bodyColor_; }

private:
    void Paint(vrx::forms::TObject* sender);
    void Resize(vrx::forms::TObject* sender);
    void MouseDown(vrx::forms::TObject* sender, vrx::forms::TMouseButton button,
                   vrx::forms::TShiftState shift, int x, int y);

    vrx::forms::TForm& form_;
    QRegion region_;
    vrx::forms::TNotifyEvent savedPaint_;
    vrx::forms::TNotifyEvent savedResize_;
    std::int32_t titleHeight_ = 40;
    std::int32_t margin_ = 0;
    std::int32_t cornerSize_ = 20;
    vrx::forms::TColor titleColor_ = 0x056D00;
    vrx::forms::TColor bodyColor_ = 13889475;
};

/// The rounded-rectangle region from (0, 0) to (width, height) with a corner ellipse of
/// cornerWidth x cornerHeight, as the window system builds it.
QRegion RoundRectRegion(int width, int height, int cornerWidth, int cornerHeight);
