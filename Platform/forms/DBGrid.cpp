#include "Platform/forms/DBGrid.h"

#include "Platform/forms/ExceptionGuard.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace vrx::forms {

/// Draws the cells through the grid.
class TDBGrid::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(TDBGrid* grid) : grid_(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        grid_->DrawCell(*painter, option.rect, index.row(), index.column(),
                        option.state & QStyle::State_Selected);
    }

private:
    TDBGrid* grid_;
};

TDBGrid::TDBGrid(TComponent* owner) : TWinControl(owner, new QTableWidget) {
    table()->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table()->setSelectionBehavior(QAbstractItemView::SelectRows);
    table()->setSelectionMode(QAbstractItemView::SingleSelection);
    table()->verticalHeader()->setVisible(false);
    table()->setItemDelegate(new Delegate(this));
    observe(table()->viewport());
    QObject::connect(table(), &QTableWidget::cellClicked, [this](int row, int column) {
        if (!source_ || !source_->GetDataSet())
            return;
        guarded([&] {
            source_->GetDataSet()->setRecNo(row + 1);
            if (OnCellClick && column >= 0 && column < static_cast<int>(columns_.size()))
                OnCellClick(columns_[static_cast<size_t>(column)]);
        });
    });
    SetColor(clWindow);
}

TDBGrid::~TDBGrid() {
    if (source_)
        source_->RemoveLink(this);
}

QTableWidget* TDBGrid::table() const {
    return static_cast<QTableWidget*>(Widget());
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (source_)
        source_->RemoveLink(this);
    source_ = source;
    if (source_)
        source_->AddLink(this);
    reload();
}

void TDBGrid::LayoutChanged() {
    table()->setColumnCount(static_cast<int>(columns_.size()));
    for (size_t i = 0; i < columns_.size(); ++i) {
        table()->setHorizontalHeaderItem(
            static_cast<int>(i), new QTableWidgetItem(QString::fromStdString(columns_[i].Title)));
        table()->setColumnWidth(static_cast<int>(i), columns_[i].Width);
    }
    reload();
}

void TDBGrid::dataChanged(DataChange change, const std::string&) {
    if (change == DataChange::Scrolled)
        follow();
    else
        reload();
}

void TDBGrid::reload() {
    DataSet* data = source_ && source_->Enabled() ? source_->GetDataSet() : nullptr;
    const bool active = data && data->state() != DataSetState::Inactive;
    table()->setRowCount(active ? data->recordCount() : 0);
    table()->viewport()->update();
    follow();
}

void TDBGrid::follow() {
    DataSet* data = source_ ? source_->GetDataSet() : nullptr;
    if (!data || data->recNo() < 1 || data->recNo() > table()->rowCount()) {
        table()->clearSelection();
        return;
    }
    table()->selectRow(data->recNo() - 1);
    table()->viewport()->update();
}

void TDBGrid::DrawCell(QPainter& painter, const QRect& rect, int row, int column, bool selected) {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    const TColumn& col = columns_[static_cast<size_t>(column)];
    const QPalette& palette = Widget()->palette();
    canvas_.Brush.Color = selected ? fromQColor(palette.color(QPalette::Highlight)) : Color();
    canvas_.Brush.Style = TBrushStyle::bsSolid;
    canvas_.Font = Font();
    if (selected)
        canvas_.Font.Color = fromQColor(palette.color(QPalette::HighlightedText));
    painter.save();
    painter.setClipRect(rect);
    TCanvas::Binding binding(canvas_, painter);
    const TRect r = TRect::fromQRect(rect);
    const TOwnerDrawState state = selected ? TOwnerDrawState{odSelected} : TOwnerDrawState{0};
    if (OnDrawColumnCell)
        guarded([&] { OnDrawColumnCell(this, r, row + 1, col, state); });
    else
        DefaultDrawColumnCell(r, row + 1, col);
    painter.restore();
}

void TDBGrid::DefaultDrawColumnCell(const TRect& rect, int dataRow, const TColumn& column) {
    DataSet* data = source_ ? source_->GetDataSet() : nullptr;
    const QString text =
        data ? data->fieldValueAt(dataRow, column.FieldName).toString() : QString();
    canvas_.TextRect(rect, rect.Left + 2, rect.Top + 2, text.toStdString());
}

void TDBGrid::applyColor(const QColor& color) {
    QPalette palette = table()->palette();
    palette.setColor(QPalette::Base, color);
    table()->setPalette(palette);
}

} // namespace vrx::forms
