#pragma once

#include "Platform/forms/Component.h"
#include "Platform/forms/Events.h"

#include <memory>
#include <string>
#include <vector>

class QMenu;

namespace vrx::forms {

/// An entry of a menu; the caption "-" makes it a separator.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner) : TComponent(owner) {}

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    bool IsLine() const { return caption_ == "-"; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }

    /// Runs OnClick, as choosing the entry does.
    void Click();

    TNotifyEvent OnClick;

private:
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
};

/// A menu that the program opens where it likes (at the mouse, over the tray icon).
class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    /// Adds an entry (owned by the menu's owner, as the form description makes them).
    void Add(TMenuItem* item) { items_.push_back(item); }
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }

    /// Opens the menu at the screen point and returns at once; the chosen entry runs later.
    void Popup(int x, int y);
    /// The desktop's menu as it was built for the last Popup (for the tray).
    QMenu* NativeMenu();

    TNotifyEvent OnPopup;

private:
    void build();

    std::vector<TMenuItem*> items_;
    std::unique_ptr<QMenu> menu_;
};

} // namespace vrx::forms
