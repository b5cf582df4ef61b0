#include "Platform/forms/PageControl.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QPainter>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace vrx::forms {

/// The tab bar that lets its page control draw the tabs.
class TPageControl::Bar : public QTabBar {
public:
    explicit Bar(TPageControl* owner) : owner_(owner) {}
    TPageControl* owner_;

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!owner_ || !owner_->ownerDraw_ || !owner_->OnDrawTab) {
            QTabBar::paintEvent(e);
            return;
        }
        QPainter painter(this);
        TCanvas& canvas = owner_->canvas_;
        canvas.Brush.Color = owner_->Color();
        canvas.Font = owner_->Font();
        TCanvas::Binding binding(canvas, painter);
        for (int i = 0; i < count(); ++i) {
            const QRect r = tabRect(i);
            guarded(
                [&] { owner_->OnDrawTab(owner_, i, TRect::fromQRect(r), i == currentIndex()); });
        }
    }
};

/// A tab widget whose bar is ours.
class PageTabs : public QTabWidget {
public:
    void useBar(QTabBar* bar) { setTabBar(bar); }
};

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner, new QWidget) {}

TTabSheet::~TTabSheet() {
    if (pageControl_)
        pageControl_->remove(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl_ == pageControl)
        return;
    if (pageControl_)
        pageControl_->remove(this);
    pageControl_ = pageControl;
    if (pageControl_)
        pageControl_->insert(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_)
        return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::captionChanged() {
    if (pageControl_)
        pageControl_->tabs()->setTabText(PageIndex(), QString::fromStdString(caption_));
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner, new PageTabs) {
    bar_ = new Bar(this);
    static_cast<PageTabs*>(tabs())->useBar(bar_);
    QObject::connect(tabs(), &QTabWidget::currentChanged, [this] {
        if (userChange_ && OnChange)
            guarded([this] { OnChange(this); });
    });
}

TPageControl::~TPageControl() {
    bar_->owner_ = nullptr;
    // Sheets owned elsewhere leave before the tab widget that holds them goes.
    while (!pages_.empty())
        pages_.back()->SetPageControl(nullptr);
}

QTabWidget* TPageControl::tabs() const {
    return static_cast<QTabWidget*>(Widget());
}

QWidget* TPageControl::ClientWidget() const {
    return tabs()->currentWidget();
}

void TPageControl::insert(TTabSheet* sheet) {
    pages_.push_back(sheet);
    userChange_ = false;
    tabs()->addTab(sheet->Widget(), QString::fromStdString(sheet->Caption()));
    userChange_ = true;
}

void TPageControl::remove(TTabSheet* sheet) {
    const int index = sheet->PageIndex();
    if (index < 0 || index >= PageCount())
        return;
    userChange_ = false;
    tabs()->removeTab(index);
    userChange_ = true;
    pages_.erase(pages_.begin() + index);
    if (sheet->Widget())
        sheet->Widget()->setParent(nullptr);
}

int TPageControl::ActivePageIndex() const {
    return tabs()->currentIndex();
}

void TPageControl::SetActivePageIndex(int index) {
    userChange_ = false;
    tabs()->setCurrentIndex(index);
    userChange_ = true;
}

TTabSheet* TPageControl::ActivePage() const {
    const int index = ActivePageIndex();
    return index >= 0 && index < PageCount() ? Pages(index) : nullptr;
}

void TPageControl::SetOwnerDraw(bool ownerDraw) {
    ownerDraw_ = ownerDraw;
    bar_->update();
}

TRect TPageControl::TabRect(int index) const {
    return TRect::fromQRect(bar_->tabRect(index).translated(bar_->pos()));
}

} // namespace vrx::forms
