#include "Platform/forms/DBCtrlGrid.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace vrx::forms {

/// The surface the panels are drawn on; a press on it picks a record.
class TDBCtrlGrid::Panels : public QWidget {
public:
    explicit Panels(QWidget* parent) : QWidget(parent) {}
    TDBCtrlGrid* grid = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!grid)
            return;
        QPainter painter(this);
        grid->paintPanels(painter, event->rect());
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (grid && event->button() == Qt::LeftButton)
            grid->pressed(event->position().toPoint().y());
    }
};

/// The panels with the scroll bar at their right.
class TDBCtrlGrid::View : public QWidget {
public:
    View() : panels(new Panels(this)), bar(new QScrollBar(Qt::Vertical, this)) {}
    Panels* panels;
    QScrollBar* bar;

protected:
    void resizeEvent(QResizeEvent*) override {
        const int barWidth = bar->sizeHint().width();
        bar->setGeometry(width() - barWidth, 0, barWidth, height());
        panels->setGeometry(0, 0, std::max(0, width() - barWidth), height());
    }
};

TDBCtrlGrid::TDBCtrlGrid(TComponent* owner) : TWinControl(owner, new View) {
    auto* view = static_cast<View*>(Widget());
    view->panels->grid = this;
    observe(view->panels);
    scrollBar()->setRange(0, 0);
    QObject::connect(scrollBar(), &QScrollBar::valueChanged, [this](int value) {
        topIndex_ = value;
        panels()->update();
    });
    SetColor(clWindow);
    fitHeight();
}

TDBCtrlGrid::~TDBCtrlGrid() {
    if (auto* view = static_cast<View*>(Widget()))
        view->panels->grid = nullptr;
    if (source_)
        source_->RemoveLink(this);
}

QScrollBar* TDBCtrlGrid::scrollBar() const {
    return static_cast<View*>(Widget())->bar;
}

QWidget* TDBCtrlGrid::panels() const {
    return static_cast<View*>(Widget())->panels;
}

void TDBCtrlGrid::SetDataSource(TDataSource* source) {
    if (source_)
        source_->RemoveLink(this);
    source_ = source;
    if (source_)
        source_->AddLink(this);
    reload();
}

void TDBCtrlGrid::SetRowCount(int rowCount) {
    rowCount_ = std::max(1, rowCount);
    fitHeight();
    reload();
}

void TDBCtrlGrid::SetPanelHeight(int height) {
    panelHeight_ = std::max(1, height);
    fitHeight();
    reload();
}

void TDBCtrlGrid::fitHeight() {
    SetHeight(rowCount_ * panelHeight_);
}

int TDBCtrlGrid::PanelWidth() const {
    return panels()->width();
}

void TDBCtrlGrid::SetSelectedColor(TColor color) {
    selectedColor_ = color;
    panels()->update();
}

DataSet* TDBCtrlGrid::activeData() const {
    DataSet* data = source_ && source_->Enabled() ? source_->GetDataSet() : nullptr;
    return data && data->state() != DataSetState::Inactive ? data : nullptr;
}

int TDBCtrlGrid::PanelCount() const {
    const DataSet* data = activeData();
    return data ? data->recordCount() : 0;
}

void TDBCtrlGrid::SetTopIndex(int index) {
    index = std::clamp(index, 0, scrollBar()->maximum());
    topIndex_ = index;
    scrollBar()->setValue(index);
    panels()->update();
}

TRect TDBCtrlGrid::PanelRect(int index) const {
    if (index < topIndex_ || index >= topIndex_ + rowCount_ || index >= PanelCount())
        return {};
    const int top = (index - topIndex_) * panelHeight_;
    return TRect{0, top, PanelWidth(), top + panelHeight_};
}

void TDBCtrlGrid::dataChanged(DataChange change, const std::string&) {
    if (change == DataChange::Scrolled)
        follow();
    else if (change == DataChange::FieldValue)
        panels()->update();
    else
        reload();
}

void TDBCtrlGrid::reload() {
    scrollBar()->setRange(0, std::max(0, PanelCount() - rowCount_));
    scrollBar()->setPageStep(rowCount_);
    follow();
}

void TDBCtrlGrid::follow() {
    // Whole panels scroll so that the current record's panel is in view.
    const DataSet* data = activeData();
    const int current = data ? data->recNo() - 1 : -1;
    int top = std::min(topIndex_, scrollBar()->maximum());
    if (current >= 0 && current < top)
        top = current;
    else if (current >= top + rowCount_)
        top = current - rowCount_ + 1;
    SetTopIndex(top);
}

void TDBCtrlGrid::paintPanels(QPainter& painter, const QRect& area) {
    const DataSet* data = activeData();
    const int count = PanelCount();
    const int current = data ? data->recNo() - 1 : -1;
    const int width = PanelWidth();
    for (int index = topIndex_; index < count; ++index) {
        const QRect panel(0, (index - topIndex_) * panelHeight_, width, panelHeight_);
        if (panel.top() >= panels()->height())
            break;
        if (!panel.intersects(area))
            continue;
        const TColor fill = index == current ? selectedColor_ : Color();
        painter.save();
        painter.setClipRect(panel);
        painter.translate(panel.topLeft());
        painter.fillRect(QRect(0, 0, width, panelHeight_), toQColor(fill));
        canvas_.Brush.Color = fill;
        canvas_.Brush.Style = TBrushStyle::bsSolid;
        canvas_.Font = Font();
        {
            TCanvas::Binding binding(canvas_, painter);
            if (OnPaintPanel)
                guarded([&] { OnPaintPanel(this, index); });
        }
        painter.restore();
    }
}

void TDBCtrlGrid::pressed(int y) {
    DataSet* data = activeData();
    if (!data || y < 0)
        return;
    const int index = topIndex_ + y / panelHeight_;
    if (index < PanelCount() && index != data->recNo() - 1)
        guarded([&] { data->setRecNo(index + 1); });
}

void TDBCtrlGrid::applyColor(const QColor& color) {
    TWinControl::applyColor(color);
    panels()->update();
}

} // namespace vrx::forms
