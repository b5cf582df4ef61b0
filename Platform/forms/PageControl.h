#pragma once

#include "Platform/forms/Canvas.h"
#include "Platform/forms/Control.h"

#include <functional>
#include <vector>

class QTabWidget;

namespace vrx::forms {

class TPageControl;

/// One page of a page control: a surface for controls. It keeps the colour it is given; a
/// colour scheme does not recolour it.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    /// Puts the sheet at the end of the page control's pages (null takes it out).
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;

protected:
    void captionChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
};

using TDrawTabEvent =
    std::function<void(TObject* Control, int TabIndex, const TRect& Rect, bool Active)>;

/// Pages behind tabs. With OwnerDraw the tabs are drawn by OnDrawTab on Canvas.
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    TTabSheet* ActivePage() const;

    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool ownerDraw);
    TCanvas& Canvas() { return canvas_; }
    /// The rectangle of a tab, in the control's coordinates.
    TRect TabRect(int index) const;

    /// Runs when the user shows another page.
    TNotifyEvent OnChange;
    TDrawTabEvent OnDrawTab;

    QWidget* ClientWidget() const override;

private:
    friend class TTabSheet;
    class Bar;
    QTabWidget* tabs() const;
    void insert(TTabSheet* sheet);
    void remove(TTabSheet* sheet);

    std::vector<TTabSheet*> pages_;
    bool ownerDraw_ = false;
    TCanvas canvas_;
    Bar* bar_ = nullptr;
    bool userChange_ = true;
};

} // namespace vrx::forms
