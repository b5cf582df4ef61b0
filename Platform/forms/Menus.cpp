#include "Platform/forms/Menus.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QMenu>
#include <QPointer>

namespace vrx::forms {

void TMenuItem::Click() {
    if (enabled_ && OnClick)
        OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::build() {
    if (!menu_)
        menu_ = std::make_unique<QMenu>();
    menu_->clear();
    for (TMenuItem* item : items_) {
        if (!item->Visible())
            continue;
        if (item->IsLine()) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QString::fromStdString(item->Caption()));
        action->setEnabled(item->Enabled());
        // The entry may be gone by the time the menu reports the choice: look it up again.
        QObject::connect(action, &QAction::triggered, [this, item] {
            for (TMenuItem* current : items_)
                if (current == item)
                    guarded([item] { item->Click(); });
        });
    }
}

QMenu* TPopupMenu::NativeMenu() {
    build();
    return menu_.get();
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup)
        guarded([this] { OnPopup(this); });
    build();
    menu_->popup(QPoint(x, y));
}

} // namespace vrx::forms
