// ui::ReportTreeView: the report control's widget, a QTreeView over the
// control's ReportModel drawn by ReportDelegate, and the control's
// presenter (the control tells it of every change of its rows, columns,
// selection and focus).
//
// The control's data is the truth: the view has no sorting, selection,
// expanding or key handling of its own. Its viewport's mouse input reaches
// the control's WindowProc (the control's handlers select, expand, edit and
// notify), the view's own mouse and key handlers do nothing, and its
// QItemSelectionModel only mirrors the control's selected rows and focused
// row. Rows have one height (uniformRowHeights), so scrolling and hit tests
// cost the same for any number of rows.
//
// Geometry is given in the control's client coordinates: the view's own
// (the view is the control's widget).
#pragma once

#include "report_delegate.h"
#include "report_model.h"
#include "report_presenter.h"

#include <QTreeView>

class CXTPReportControl;

namespace ui {

namespace detail {
struct ReportWindowState;
}

class ReportTreeView : public QTreeView, public detail::ReportPresenter {
public:
    ReportTreeView(CXTPReportControl* control, detail::ReportWindowState* state, QWidget* parent);
    ~ReportTreeView() override;

    ReportModel* Model() const { return model_; }
    ReportDelegate* Delegate() const { return delegate_; }

    // Shows the columns as they are now: captions, widths, visibility,
    // alignment, automatic sizing, the sort indicator, the header's style.
    void ApplyColumns();
    void ApplyHeaderVisible();
    // The paint manager's column style as the header's style sheet.
    void ApplyHeaderStyle();
    // The model row and column of a shown row and a column (-1 when none).
    int ColumnIndex(const CXTPReportColumn* column) const;
    // A cell's rectangle in client coordinates (empty when not shown).
    QRect CellRect(int row, int column) const;
    // The model column under client x; -1 when none.
    int ColumnAtX(int x) const;
    // Client <-> viewport coordinates.
    QPoint ViewportOrigin() const;

    // ReportPresenter.
    void BeginReset() override;
    void EndReset() override;
    void BeginInsertRows(int first, int count) override;
    void EndInsertRows() override;
    void BeginRemoveRows(int first, int count) override;
    void EndRemoveRows() override;
    void RowsChanged(int first, int last) override;
    void ColumnsChanged() override;
    void SelectionChanged() override;
    void FocusChanged() override;
    void Redraw() override;
    void EnsureVisible(int index) override;
    int HitTestRow(CPoint point) const override;
    CRect RowRect(int index) const override;
    CRect ItemRect(int index, int column) const override;
    CRect ExpandButtonRect(int index) const override;
    CRect ColumnRect(int column) const override;
    CRect HeaderRect() const override;
    CRect ReportRect() const override;
    int TopRowIndex() const override;
    int RowsPerPage() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Input is the control's (through its WindowProc); Qt's item view
    // behaviour would select and expand on its own.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void HeaderClicked(int section);
    void SectionResized(int section, int oldSize, int newSize);
    void SectionMoved(int section, int oldVisual, int newVisual);
    void MirrorSelection();
    QRect ToClient(const QRect& viewportRect) const;

    CXTPReportControl* control_;        // Not owned.
    detail::ReportWindowState* state_;  // Not owned: the control's.
    ReportModel* model_;                // Owned (Qt child).
    ReportDelegate* delegate_;          // Owned (Qt child).
    bool applyingColumns_ = false;
    bool reordering_ = false;  // the columns are being reordered under a reset of our own
};

}  // namespace ui
