#pragma once

#include "Platform/forms/Canvas.h"
#include "Platform/forms/DataSource.h"

#include "Platform/forms/Control.h"

#include <functional>
#include <string>
#include <vector>

class QTableWidget;

namespace vrx::forms {

/// A column of a data grid: the field it shows, its title and width.
struct TColumn {
    std::string FieldName;
    std::string Title;
    int Width = 64;
};

/// Draws one cell of a data grid on its Canvas; the row is the data set's record DataRow.
using TDrawColumnCellEvent = std::function<void(TObject* Sender, const TRect& Rect, int DataRow,
                                                const TColumn& Column, TOwnerDrawState State)>;

/// A read-only grid of a data set's records: one row per record, the current record selected.
/// A click on a row moves the data set's cursor there. With OnDrawColumnCell set, every cell
/// is drawn by it (DefaultDrawColumnCell writes the field's text).
class TDBGrid : public TWinControl, private DataLink {
public:
    explicit TDBGrid(TComponent* owner);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    std::vector<TColumn>& Columns() { return columns_; }
    /// Rebuilds the grid after its columns changed.
    void LayoutChanged();
    TCanvas& Canvas() { return canvas_; }
    void DefaultDrawColumnCell(const TRect& rect, int dataRow, const TColumn& column);

    TDrawColumnCellEvent OnDrawColumnCell;
    /// A cell was clicked (after the cursor moved to its row); the column is given.
    std::function<void(const TColumn& Column)> OnCellClick;

    /// Draws a cell through the handler (the grid's painting calls it).
    void DrawCell(QPainter& painter, const QRect& rect, int row, int column, bool selected);

protected:
    void applyColor(const QColor& color) override;

private:
    class Delegate;
    QTableWidget* table() const;
    void dataChanged(DataChange change, const std::string& fieldName) override;
    void sourceDestroyed() override { source_ = nullptr; }
    void reload();
    void follow();

    TDataSource* source_ = nullptr;
    std::vector<TColumn> columns_;
    TCanvas canvas_;
    bool following_ = false;
};

} // namespace vrx::forms
