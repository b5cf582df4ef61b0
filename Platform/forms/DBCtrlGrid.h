#pragma once

#include "Platform/forms/Canvas.h"
#include "Platform/forms/Control.h"
#include "Platform/forms/DataSource.h"

#include <functional>

class QScrollBar;

namespace vrx::forms {

/// Draws the panel of record Index + 1 on the grid's Canvas, whose origin is the panel's
/// top-left corner.
using TPaintPanelEvent = std::function<void(TObject* Sender, int Index)>;

/// A scrolling column of equal panels, one per record of a data source, with a vertical scroll
/// bar at the right. RowCount panels of PanelHeight are in view at once (setting either sizes
/// the control to hold them); the view scrolls by whole panels and follows the data set's
/// cursor. Every panel is filled with the grid's Color, the current record's with
/// SelectedColor, and then drawn by OnPaintPanel. A click on a panel moves the data set's cursor
/// to its record. A disabled source or an inactive data set shows no panels.
class TDBCtrlGrid : public TWinControl, private DataLink {
public:
    explicit TDBCtrlGrid(TComponent* owner);
    ~TDBCtrlGrid() override;

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);

    int RowCount() const { return rowCount_; }
    void SetRowCount(int rowCount);
    int PanelHeight() const { return panelHeight_; }
    void SetPanelHeight(int height);
    /// The panels' width: the control's less the scroll bar.
    int PanelWidth() const;
    TColor SelectedColor() const { return selectedColor_; }
    void SetSelectedColor(TColor color);

    /// How many panels there are (the records shown).
    int PanelCount() const;
    /// The record index of the topmost panel in view.
    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int index);
    /// Where the panel of record Index + 1 lies in the control; empty when it is out of view.
    TRect PanelRect(int index) const;

    TCanvas& Canvas() { return canvas_; }
    TPaintPanelEvent OnPaintPanel;

protected:
    void applyColor(const QColor& color) override;

private:
    class View;
    class Panels;
    friend class Panels;

    void dataChanged(DataChange change, const std::string& fieldName) override;
    void sourceDestroyed() override { source_ = nullptr; }
    DataSet* activeData() const;
    void reload();
    void follow();
    void fitHeight();
    void paintPanels(QPainter& painter, const QRect& area);
    void pressed(int y);
    QScrollBar* scrollBar() const;
    QWidget* panels() const;

    TDataSource* source_ = nullptr;
    int rowCount_ = 3;
    int panelHeight_ = 72;
    TColor selectedColor_ = clHighlight;
    int topIndex_ = 0;
    TCanvas canvas_;
};

} // namespace vrx::forms
