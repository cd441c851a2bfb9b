// ReportPresenter: what a report control tells its window. The control's
// data is the truth; the window (the tree view and its model over the shown
// rows) shows it and answers geometry questions. The control holds a
// presenter only while its window exists (CXTPReportControl::presenter_);
// without one every change stays in the data and every geometry answer is
// empty.
//
// Row changes come in pairs around the change of the shown rows, as Qt's
// models need them: BeginReset/EndReset (Populate, EndUpdate, ResetContent,
// ExpandAll), BeginInsertRows/EndInsertRows and BeginRemoveRows/EndRemoveRows
// (one range per expand or collapse). Between BeginUpdate and EndUpdate the
// control sends none of them and one reset at the end. A reset also stands
// for any change of the selection and focus made with it (no
// SelectionChanged / FocusChanged follows): the window reads both anew.
#pragma once

#include "ui/geometry.h"

class CXTPReportColumn;

namespace ui::detail {

class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;

    // The whole list of shown rows (or the columns) is about to be replaced
    // / was replaced.
    virtual void BeginReset() = 0;
    virtual void EndReset() = 0;
    // `count` rows will be / were inserted at shown index `first`.
    virtual void BeginInsertRows(int first, int count) = 0;
    virtual void EndInsertRows() = 0;
    // The `count` rows at shown index `first` will be / were removed.
    virtual void BeginRemoveRows(int first, int count) = 0;
    virtual void EndRemoveRows() = 0;
    // Rows `first` to `last` (shown indexes, both included) show other data
    // (an expand state, a record's items).
    virtual void RowsChanged(int first, int last) = 0;
    // A column's caption, width, visibility, alignment, order or the sort
    // order changed (the column count changes only with a reset).
    virtual void ColumnsChanged() = 0;
    // The selection or the focused row changed (mirror and repaint).
    virtual void SelectionChanged() = 0;
    virtual void FocusChanged() = 0;
    // Repaint the rows.
    virtual void Redraw() = 0;
    // Scroll so that shown row `index` shows.
    virtual void EnsureVisible(int index) = 0;

    // Geometry in the control's client coordinates.
    // The shown row index under a point, -1 when none.
    virtual int HitTestRow(CPoint point) const = 0;
    virtual CRect RowRect(int index) const = 0;
    // `column` is the column's position among all columns.
    virtual CRect ItemRect(int index, int column) const = 0;
    virtual CRect ExpandButtonRect(int index) const = 0;
    virtual CRect ColumnRect(int column) const = 0;
    virtual CRect HeaderRect() const = 0;
    virtual CRect ReportRect() const = 0;
    // The first visible shown row, and how many rows fit the area (at least 1).
    virtual int TopRowIndex() const = 0;
    virtual int RowsPerPage() const = 0;
};

}  // namespace ui::detail
