#pragma once

#include <QRect>

#include <cstdint>
#include <functional>

namespace vrx::forms {

class TObject;

/// The mouse button of a mouse event.
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

/// Keys and buttons held during an input event, as a set of bits.
enum TShiftFlag : std::uint32_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
using TShiftState = std::uint32_t;

/// What happens to a form when it is closed.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

/// A rectangle in window coordinates: left and top included, right and bottom excluded.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect toQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect fromQRect(const QRect& r) {
        return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    bool operator==(const TRect&) const = default;
};

/// The state of an owner-drawn item.
enum TOwnerDrawFlag : std::uint32_t {
    odSelected = 0x01,
    odFocused = 0x02,
    odDisabled = 0x04,
    odComboBoxEdit = 0x08,
};
using TOwnerDrawState = std::uint32_t;

/// A character typed on the keyboard. A key-press handler that sets it to 0 swallows the key.
using TKeyChar = char16_t;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyPressEvent = std::function<void(TObject* Sender, TKeyChar& Key)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

/// Modal results: what ShowModal returns.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrAbort = 3;
inline constexpr int mrRetry = 4;
inline constexpr int mrIgnore = 5;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

} // namespace vrx::forms
