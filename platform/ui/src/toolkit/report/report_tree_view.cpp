#include "report_tree_view.h"

#include "device_context_internal.h"
#include "report_window_state.h"
#include "text_conversion.h"
#include "ui/framework/dc.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_header.h"
#include "ui/toolkit/report/report_paint_manager.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace ui {
namespace {

CRect ToCRect(const QRect& rect) {
    if (rect.isEmpty()) return CRect(0, 0, 0, 0);
    return CRect(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
}

QString HeaderStyleSheet(XTPReportColumnStyle style) {
    switch (style) {
    case xtpReportColumnFlat:
        return QStringLiteral(
            "QHeaderView::section { background: palette(base); border: none; "
            "border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid); "
            "padding: 2px 4px; }");
    case xtpReportColumnOffice:
        return QStringLiteral(
            "QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
            "stop:0 palette(light), stop:1 palette(button)); border: none; "
            "border-right: 1px solid palette(mid); border-bottom: 1px solid palette(dark); "
            "padding: 3px 4px; }");
    default:
        return {};
    }
}

}  // namespace

ReportTreeView::ReportTreeView(CXTPReportControl* control, detail::ReportWindowState* state, QWidget* parent)
    : QTreeView(parent), control_(control), state_(state) {
    setObjectName(QStringLiteral("report-control"));
    setFrameShape(QFrame::NoFrame);
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setFocusPolicy(Qt::StrongFocus);
    model_ = new ReportModel(control, this);
    delegate_ = new ReportDelegate(control, state, this);
    setItemDelegate(delegate_);
    setModel(model_);
    QHeaderView* top = header();
    top->setStretchLastSection(false);
    top->setHighlightSections(false);
    connect(top, &QHeaderView::sectionClicked, this, &ReportTreeView::HeaderClicked);
    connect(top, &QHeaderView::sectionResized, this, &ReportTreeView::SectionResized);
    connect(top, &QHeaderView::sectionMoved, this, &ReportTreeView::SectionMoved);
    ApplyColumns();
    ApplyHeaderVisible();
}

ReportTreeView::~ReportTreeView() = default;

QPoint ReportTreeView::ViewportOrigin() const { return viewport()->geometry().topLeft(); }

QRect ReportTreeView::ToClient(const QRect& viewportRect) const {
    return viewportRect.isEmpty() ? QRect() : viewportRect.translated(ViewportOrigin());
}

void ReportTreeView::ApplyColumns() {
    applyingColumns_ = true;
    CXTPReportColumns* columns = control_->GetColumns();
    QHeaderView* top = header();
    bool autoSizing = control_->GetReportHeader()->IsAutoColumnSizing();
    for (int index = 0; index < columns->GetCount() && index < top->count(); ++index) {
        CXTPReportColumn* column = columns->GetAt(index);
        top->setSectionHidden(index, !column->IsVisible());
        if (autoSizing && column->IsAutoSize()) {
            top->setSectionResizeMode(index, QHeaderView::Stretch);
        } else {
            top->setSectionResizeMode(index, QHeaderView::Interactive);
            top->resizeSection(index, column->GetWidth());
        }
    }
    CXTPReportColumn* sorted = columns->GetSortOrder()->GetAt(0);
    int sortedIndex = sorted ? columns->IndexOf(sorted) : -1;
    top->setSortIndicatorShown(sortedIndex >= 0);
    if (sortedIndex >= 0)
        top->setSortIndicator(sortedIndex, sorted->IsSortedIncreasing() ? Qt::AscendingOrder : Qt::DescendingOrder);
    top->setSectionsClickable(control_->GetReportHeader()->IsAllowColumnSort());
    top->setSectionsMovable(control_->GetReportHeader()->IsAllowColumnReorder());
    ApplyHeaderStyle();
    model_->HeaderChanged();
    applyingColumns_ = false;
}

void ReportTreeView::ApplyHeaderStyle() {
    QString sheet = HeaderStyleSheet(state_->paintManager.GetColumnStyle());
    if (header()->styleSheet() != sheet) header()->setStyleSheet(sheet);
}

void ReportTreeView::ApplyHeaderVisible() { setHeaderHidden(!state_->headerVisible); }

int ReportTreeView::ColumnIndex(const CXTPReportColumn* column) const {
    return column ? control_->GetColumns()->IndexOf(column) : -1;
}

QRect ReportTreeView::CellRect(int row, int column) const {
    if (row < 0 || row >= model_->rowCount() || column < 0 || column >= model_->columnCount()) return {};
    if (header()->isSectionHidden(column)) return {};
    return ToClient(visualRect(model_->index(row, column)));
}

int ReportTreeView::ColumnAtX(int x) const {
    int logical = header()->logicalIndexAt(x - ViewportOrigin().x());
    return logical;
}

void ReportTreeView::HeaderClicked(int section) {
    CXTPReportColumns* columns = control_->GetColumns();
    CXTPReportColumn* column = columns->GetAt(section);
    if (!column || !column->IsSortable() || !control_->GetReportHeader()->IsAllowColumnSort()) {
        ApplyColumns();  // Qt may have moved its sort indicator
        return;
    }
    // A click on the sort column turns its direction; on another column
    // sorts by it alone, increasing.
    BOOL increasing = columns->GetSortOrder()->GetAt(0) == column ? !column->IsSortedIncreasing() : TRUE;
    columns->SetSortColumn(column, increasing);
    control_->ReSortRows();
    ApplyColumns();
    control_->SendMessageToParent(nullptr, nullptr, column, XTP_NM_REPORT_SORTORDERCHANGED);
}

void ReportTreeView::SectionResized(int section, int, int newSize) {
    if (applyingColumns_) return;
    if (header()->sectionResizeMode(section) != QHeaderView::Interactive) return;
    if (CXTPReportColumn* column = control_->GetColumns()->GetAt(section)) {
        applyingColumns_ = true;
        column->SetWidth(newSize);
        applyingColumns_ = false;
    }
}

void ReportTreeView::SectionMoved(int section, int oldVisual, int newVisual) {
    if (applyingColumns_) return;
    // The model's columns stay in the control's order: Qt's move is undone
    // and the control's columns are reordered instead.
    applyingColumns_ = true;
    header()->moveSection(newVisual, oldVisual);
    applyingColumns_ = false;
    CXTPReportColumn* column = control_->GetColumns()->GetAt(section);
    if (!column) return;
    reordering_ = true;
    model_->BeginReset();
    control_->GetColumns()->ChangeColumnOrder(newVisual, column);
    model_->EndReset();
    reordering_ = false;
    ApplyColumns();
    MirrorSelection();
    FocusChanged();
    control_->SendMessageToParent(nullptr, nullptr, column, XTP_NM_REPORT_COLUMNORDERCHANGED);
}

void ReportTreeView::MirrorSelection() {
    QItemSelectionModel* mirror = selectionModel();
    if (!mirror) return;
    int columns = model_->columnCount();
    CXTPReportSelectedRows* selected = control_->GetSelectedRows();
    std::vector<int> indexes;
    indexes.reserve(selected->GetCount());
    for (int at = 0; at < selected->GetCount(); ++at) {
        int index = selected->GetAt(at)->GetIndex();
        if (index >= 0) indexes.push_back(index);
    }
    std::sort(indexes.begin(), indexes.end());
    // Runs of neighbouring rows as one range each: a select-all is one range.
    QItemSelection selection;
    for (size_t at = 0; at < indexes.size() && columns > 0;) {
        size_t end = at;
        while (end + 1 < indexes.size() && indexes[end + 1] <= indexes[end] + 1) ++end;
        selection.append(QItemSelectionRange(model_->index(indexes[at], 0), model_->index(indexes[end], columns - 1)));
        at = end + 1;
    }
    mirror->select(selection, QItemSelectionModel::ClearAndSelect);
}

// ---- Presenter ------------------------------------------------------------

void ReportTreeView::BeginReset() { model_->BeginReset(); }

void ReportTreeView::EndReset() {
    model_->EndReset();
    ApplyColumns();
    MirrorSelection();
    FocusChanged();
    // The edited row was made anew: the editor follows its record.
    if (state_->editor.IsOpen()) {
        CXTPReportRow* edited = state_->editRow.Get();
        CXTPReportRow* now = edited && edited->GetRecord() ? control_->GetRows()->Find(edited->GetRecord()) : nullptr;
        if (!now) {
            control_->EndEditItem(FALSE);
        } else {
            state_->editRow = now;
            CXTPReportColumn* column = control_->GetColumns()->Find(state_->editItemIndex);
            state_->editor.Place(CellRect(now->GetIndex(), ColumnIndex(column)).translated(-ViewportOrigin()));
        }
    }
}

void ReportTreeView::BeginInsertRows(int first, int count) { model_->BeginInsertRows(first, count); }

void ReportTreeView::EndInsertRows() {
    model_->EndInsertRows();
    MirrorSelection();
}

void ReportTreeView::BeginRemoveRows(int first, int count) { model_->BeginRemoveRows(first, count); }

void ReportTreeView::EndRemoveRows() {
    model_->EndRemoveRows();
    MirrorSelection();
}

void ReportTreeView::RowsChanged(int first, int last) { model_->RowsChanged(first, last); }

void ReportTreeView::ColumnsChanged() {
    if (reordering_) return;  // applied once the reset is over
    ApplyColumns();
    viewport()->update();
}

void ReportTreeView::SelectionChanged() {
    MirrorSelection();
    viewport()->update();
}

void ReportTreeView::FocusChanged() {
    CXTPReportRow* focused = control_->GetFocusedRow();
    if (QItemSelectionModel* mirror = selectionModel()) {
        QModelIndex current =
            focused && focused->GetIndex() >= 0 ? model_->index(focused->GetIndex(), 0) : QModelIndex();
        mirror->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    }
    viewport()->update();
}

void ReportTreeView::Redraw() {
    // The paint manager's column style may have changed since.
    ApplyHeaderStyle();
    viewport()->update();
    header()->viewport()->update();
}

void ReportTreeView::EnsureVisible(int index) {
    if (index >= 0 && index < model_->rowCount()) scrollTo(model_->index(index, 0), QAbstractItemView::EnsureVisible);
}

int ReportTreeView::HitTestRow(CPoint point) const {
    QPoint inside = QPoint(point.x, point.y) - ViewportOrigin();
    if (!viewport()->rect().contains(inside)) return -1;
    // The row at that height whatever the column (also right of the last).
    QModelIndex index = indexAt(QPoint(0, inside.y()));
    return index.isValid() ? index.row() : -1;
}

CRect ReportTreeView::RowRect(int index) const {
    if (index < 0 || index >= model_->rowCount()) return CRect(0, 0, 0, 0);
    QRect cell = visualRect(model_->index(index, 0));
    if (cell.isEmpty()) return CRect(0, 0, 0, 0);
    return ToCRect(ToClient(QRect(0, cell.top(), viewport()->width(), cell.height())));
}

CRect ReportTreeView::ItemRect(int index, int column) const { return ToCRect(CellRect(index, column)); }

CRect ReportTreeView::ExpandButtonRect(int index) const {
    CXTPReportRow* row = model_->RowAt(index);
    CXTPReportColumn* tree = control_->GetColumns()->GetTreeColumn();
    if (!row || !tree || !row->HasChildren()) return CRect(0, 0, 0, 0);
    QRect cell = CellRect(index, ColumnIndex(tree));
    if (cell.isEmpty()) return CRect(0, 0, 0, 0);
    return ToCRect(delegate_->Layout(row, cell, true, false).button);
}

CRect ReportTreeView::ColumnRect(int column) const {
    if (column < 0 || column >= model_->columnCount() || header()->isSectionHidden(column)) return CRect(0, 0, 0, 0);
    int x = header()->sectionViewportPosition(column) + ViewportOrigin().x();
    int width = header()->sectionSize(column);
    // With the header hidden, the column's strip over the rows.
    QRect rect = isHeaderHidden() ? QRect(x, ViewportOrigin().y(), width, viewport()->height())
                                  : QRect(x, header()->geometry().top(), width, header()->height());
    return ToCRect(rect);
}

CRect ReportTreeView::HeaderRect() const {
    return isHeaderHidden() ? CRect(0, 0, 0, 0) : ToCRect(header()->geometry());
}

CRect ReportTreeView::ReportRect() const { return ToCRect(viewport()->geometry()); }

int ReportTreeView::TopRowIndex() const {
    QModelIndex top = indexAt(QPoint(0, 0));
    return top.isValid() ? top.row() : 0;
}

int ReportTreeView::RowsPerPage() const {
    int height = model_->rowCount() > 0 ? rowHeight(model_->index(0, 0)) : 0;
    if (height <= 0) height = delegate_->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
    return std::max(1, viewport()->height() / std::max(height, 1));
}

// ---- Painting and input ----------------------------------------------------

void ReportTreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    QPainter painter(viewport());
    const CXTPReportPaintManager& look = state_->paintManager;
    if (model_->rowCount() == 0) {
        painter.setPen(ReportColour(look.m_clrWindowText, palette(), QPalette::Text));
        painter.drawText(viewport()->rect().adjusted(4, 4, -4, -4), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         detail::ToQString(look.m_strNoItems.GetString()));
    } else if (hasFocus()) {
        CXTPReportRow* focused = control_->GetFocusedRow();
        if (focused && focused->GetIndex() >= 0) {
            QRect cell = visualRect(model_->index(focused->GetIndex(), 0));
            QRect row(0, cell.top(), viewport()->width(), cell.height());
            QPen pen(ReportColour(focused->IsSelected() ? look.m_clrHighlightText : look.m_clrWindowText, palette(),
                                  focused->IsSelected() ? QPalette::HighlightedText : QPalette::Text));
            pen.setStyle(Qt::DotLine);
            painter.setPen(pen);
            painter.drawRect(row.adjusted(0, 0, -1, -1));
        }
    }
    if (state_->drawOver) {
        // The control draws over the rows in its client coordinates.
        painter.translate(-ViewportOrigin());
        detail::PainterDC dc(&painter, viewport());
        CDC cdc;
        cdc.Attach(dc.Handle());
        state_->drawOver(&cdc);
        cdc.Detach();
    }
}

void ReportTreeView::mousePressEvent(QMouseEvent* event) { event->accept(); }
void ReportTreeView::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void ReportTreeView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
void ReportTreeView::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void ReportTreeView::keyPressEvent(QKeyEvent* event) {
    // Keys the control left go on to the parents, as any widget's.
    QWidget::keyPressEvent(event);
}

void ReportTreeView::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    viewport()->update();
}

void ReportTreeView::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    viewport()->update();
}

}  // namespace ui
