#pragma once

namespace vrx::forms {
class TImageList;
}

/// Fills the main form's image lists with the program's pictures: in the 32 × 32 list, image 0
/// the resting tray icon (a green shield), image 1 the alert frame (the shield in red), image 2
/// the shield switched off (grey), image 3 the fallback icon of a program; the 16 × 16 list
/// holds the same pictures, smaller.
void FillTrayImages(vrx::forms::TImageList& small, vrx::forms::TImageList& large);
