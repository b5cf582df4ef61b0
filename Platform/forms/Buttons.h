#pragma once

#include "Platform/forms/Control.h"

#include <QPixmap>

namespace vrx::forms {

/// A flat button drawn from a picture (an image button), with a hint. Buttons of one parent
/// that share a non-zero GroupIndex are down one at a time; with AllowAllUp a down button
/// goes up again when clicked, so a single grouped button toggles on its own.
class TSpeedButton : public TControl {
public:
    explicit TSpeedButton(TComponent* owner);

    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    /// Drawn while the button is down (or pressed); the glyph when none is given.
    void SetDownGlyph(const QPixmap& glyph);

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow) { allowAllUp_ = allow; }
    bool Down() const { return down_; }
    /// Puts the button down or up without a click; putting it down lifts its group's others.
    void SetDown(bool down);
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);

    /// The user's click: the down state follows the group rules, then OnClick runs.
    void Click() override;

private:
    friend class SpeedButtonSurface;
    QPixmap glyph_;
    QPixmap downGlyph_;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool down_ = false;
    bool flat_ = true;
    bool pressed_ = false;
};

} // namespace vrx::forms
