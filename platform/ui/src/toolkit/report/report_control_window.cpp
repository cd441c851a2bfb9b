// The report control's window: Create, the default mouse and key handlers,
// geometry, redrawing, the in-place editor and the look. The data side is
// report_control.cpp; drag and drop report_drag_drop.cpp.
#include "report_drag_drop.h"
#include "report_tree_view.h"
#include "report_window_state.h"
#include "ui/framework/dc.h"
#include "ui/framework/image_list.h"
#include "ui/input.h"
#include "ui/timers.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"
#include "window_events.h"

#include <QApplication>
#include <QHeaderView>

using ui::detail::ReportWindowState;

namespace {

ReportWindowState& StateOf(ReportWindowState*& state) {
    if (!state) state = new ReportWindowState;
    return *state;
}

CRect EmptyRect() { return CRect(0, 0, 0, 0); }

}  // namespace

BEGIN_MESSAGE_MAP(CXTPReportControl, CWnd)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_RBUTTONDOWN()
ON_WM_RBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_KEYDOWN()
ON_WM_CHAR()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_TIMER()
ON_WM_SIZE()
ON_WM_PAINT()
ON_WM_DESTROY()
END_MESSAGE_MAP()

// ---- Creation and the window state ------------------------------------------

BOOL CXTPReportControl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    ReportWindowState& state = StateOf(windowState_);
    if (!CWnd::Create(u"XTPReport", nullptr, dwStyle, rect, pParentWnd, nID, pContext) || !state.view) {
        if (presenter_ == state.view) presenter_ = nullptr;
        state.view = nullptr;
        return FALSE;
    }
    // The rows area's input and paint reach WindowProc as the control's own.
    ui::detail::RouteEventsToWindow(state.view->viewport(), m_hWnd);
    state.drawOver = [this](CDC* pDC) { OnDraw(pDC); };
    ui::detail::AttachReportDropTarget(*this, dragState_, state.view->viewport());
    return TRUE;
}

QWidget* CXTPReportControl::CreateWidget(QWidget* parent, bool) {
    ReportWindowState& state = StateOf(windowState_);
    auto* view = new ui::ReportTreeView(this, &state, parent);
    state.view = view;
    // The widget hears of changes from now on, also those WM_CREATE makes
    // (unless a test attached a presenter of its own).
    if (!presenter_) presenter_ = view;
    return view;
}

void CXTPReportControl::DestroyWindowState() {
    // The window goes first, while the state its handlers use is there.
    if (Exists()) DestroyWindow();
    delete windowState_;
    windowState_ = nullptr;
}

void CXTPReportControl::OnDestroy() {
    ReportWindowState& state = StateOf(windowState_);
    state.editor.End(false);
    if (presenter_ == state.view) presenter_ = nullptr;
    state.drawOver = nullptr;
    if (state.view) {
        // The widget is deleted later; until then it shows no rows of ours.
        state.view->setModel(nullptr);
        state.view = nullptr;
    }
    state.pressRow = nullptr;
    CWnd::DefWindowProc(WM_DESTROY, 0, 0);
}

// ---- Look -------------------------------------------------------------------

CXTPReportPaintManager* CXTPReportControl::GetPaintManager() const {
    return &StateOf(const_cast<ReportWindowState*&>(windowState_)).paintManager;
}

void CXTPReportControl::ShowHeader(BOOL bShow) {
    ReportWindowState& state = StateOf(windowState_);
    state.headerVisible = bShow != FALSE;
    if (state.view) state.view->ApplyHeaderVisible();
}

BOOL CXTPReportControl::IsHeaderVisible() const { return !windowState_ || windowState_->headerVisible; }

void CXTPReportControl::SetImageList(CImageList* pImageList) {
    ReportWindowState& state = StateOf(windowState_);
    state.imageListObject = pImageList;
    state.imageList = nullptr;
    RedrawControl();
}

void CXTPReportControl::SetImageList(HIMAGELIST hImageList) {
    ReportWindowState& state = StateOf(windowState_);
    state.imageListObject = nullptr;
    state.imageList = hImageList;
    RedrawControl();
}

HIMAGELIST CXTPReportControl::GetImageList() const {
    if (!windowState_) return nullptr;
    return windowState_->imageListObject ? windowState_->imageListObject->GetSafeHandle() : windowState_->imageList;
}

void CXTPReportControl::SetTreeIndent(int nIndent) {
    StateOf(windowState_).treeIndent = std::max(nIndent, 0);
    RedrawControl();
}

int CXTPReportControl::GetTreeIndent() const {
    return windowState_ ? windowState_->treeIndent : ReportWindowState().treeIndent;
}

void CXTPReportControl::RedrawControl() {
    if (presenter_) presenter_->Redraw();
}

void CXTPReportControl::OnDraw(CDC* pDC) {
    if (GetDropPosition() >= 0) DrawDropMarker(pDC);
}

// ---- Geometry -----------------------------------------------------------------

CXTPReportRow* CXTPReportControl::HitTest(CPoint pt) const {
    return presenter_ ? rows_->GetAt(presenter_->HitTestRow(pt)) : nullptr;
}

CXTPReportColumn* CXTPReportControl::HitTestHeader(CPoint pt) const {
    if (!presenter_ || !windowState_ || !windowState_->view || !presenter_->HeaderRect().PtInRect(pt)) return nullptr;
    return columns_->GetAt(windowState_->view->ColumnAtX(pt.x));
}

CRect CXTPReportControl::GetRowRect(const CXTPReportRow* pRow) const {
    if (!presenter_ || !pRow || pRow->GetControl() != this || pRow->GetIndex() < 0) return EmptyRect();
    return presenter_->RowRect(pRow->GetIndex());
}

CRect CXTPReportControl::GetItemRect(const CXTPReportRow* pRow, const CXTPReportColumn* pColumn) const {
    if (!presenter_ || !pRow || pRow->GetControl() != this || pRow->GetIndex() < 0) return EmptyRect();
    int column = columns_->IndexOf(pColumn);
    return column < 0 ? EmptyRect() : presenter_->ItemRect(pRow->GetIndex(), column);
}

CRect CXTPReportControl::GetExpandButtonRect(const CXTPReportRow* pRow) const {
    if (!presenter_ || !pRow || pRow->GetControl() != this || pRow->GetIndex() < 0) return EmptyRect();
    return presenter_->ExpandButtonRect(pRow->GetIndex());
}

CRect CXTPReportControl::GetColumnRect(const CXTPReportColumn* pColumn) const {
    int column = columns_->IndexOf(pColumn);
    return presenter_ && column >= 0 ? presenter_->ColumnRect(column) : EmptyRect();
}

CRect CXTPReportControl::GetHeaderRect() const { return presenter_ ? presenter_->HeaderRect() : EmptyRect(); }

CRect CXTPReportControl::GetReportRectangle() const { return presenter_ ? presenter_->ReportRect() : EmptyRect(); }

int CXTPReportControl::GetTopRowIndex() const { return presenter_ ? presenter_->TopRowIndex() : 0; }

int CXTPReportControl::GetRowsPerPage() const { return presenter_ ? presenter_->RowsPerPage() : 0; }

void CXTPReportControl::EnsureVisible(CXTPReportRow* pRow) {
    if (presenter_ && pRow && pRow->GetControl() == this && pRow->GetIndex() >= 0)
        presenter_->EnsureVisible(pRow->GetIndex());
}

// ---- In-place edit ----------------------------------------------------------------

BOOL CXTPReportControl::EditItem(CXTPReportRow* pRow, CXTPReportColumn* pColumn) {
    ReportWindowState& state = StateOf(windowState_);
    if (!pRow) {
        EndEditItem(TRUE);
        return FALSE;
    }
    // A program's call edits whatever AllowEdit says (the explorer edits
    // names only by command); the column and the item must allow it.
    ui::ReportTreeView* view = state.view;
    int column = columns_->IndexOf(pColumn);
    CXTPReportRecord* record = pRow->GetRecord();
    CXTPReportRecordItem* item = record ? record->GetItem(pColumn) : nullptr;
    if (!view || pRow->GetControl() != this || pRow->GetIndex() < 0 || column < 0 || !item || !item->IsEditable() ||
        !pColumn->IsEditable())
        return FALSE;
    EndEditItem(TRUE);
    if (pRow->GetControl() != this || pRow->GetIndex() < 0) return FALSE;  // the commit repopulated
    EnsureVisible(pRow);
    QRect cell = view->CellRect(pRow->GetIndex(), column);
    if (cell.isEmpty()) return FALSE;
    bool tree = pColumn == columns_->GetTreeColumn();
    bool icon = GetImageList() && item->GetIconIndex() >= 0;
    QRect text = view->Delegate()->Layout(pRow, cell, tree, icon).text.translated(-view->ViewportOrigin());
    state.editRow = pRow;
    state.editItemIndex = pColumn->GetItemIndex();
    HWND edit = state.editor.Open(m_hWnd, view->viewport(), text, item->GetCaption(pColumn).GetString(),
                                  item->GetEditOptions(pColumn)->m_nMaxLength,
                                  [this](bool committed, const std::u16string& value) {
                                      // The editor is closed. The row reference keeps the
                                      // record (and its items) until the item was told.
                                      ReportWindowState& finished = StateOf(windowState_);
                                      ui::ReportRowRef row = finished.editRow;
                                      int itemIndex = finished.editItemIndex;
                                      finished.editRow = nullptr;
                                      finished.editItemIndex = -1;
                                      CXTPReportRecord* edited = row ? row->GetRecord() : nullptr;
                                      CXTPReportRecordItem* cell = edited ? edited->GetItem(itemIndex) : nullptr;
                                      if (!cell) return;
                                      XTP_REPORTRECORDITEM_ARGS args;
                                      args.pControl = this;
                                      args.pRow = row.Live();
                                      args.pColumn = columns_->Find(itemIndex);
                                      args.pItem = cell;
                                      // Nothing of the control is touched after the item's
                                      // call: its handler may repopulate or destroy it.
                                      if (committed)
                                          cell->OnEditChanged(&args, value.c_str());
                                      else
                                          cell->OnEditCanceled(&args);
                                  });
    if (!edit) {
        state.editRow = nullptr;
        state.editItemIndex = -1;
        return FALSE;
    }
    return TRUE;
}

void CXTPReportControl::EndEditItem(BOOL bCommit) {
    if (windowState_) windowState_->editor.End(bCommit != FALSE);
}

BOOL CXTPReportControl::IsEditMode() const { return windowState_ && windowState_->editor.IsOpen(); }

CWnd* CXTPReportControl::GetInplaceEdit() const {
    return IsEditMode() ? CWnd::FromHandle(windowState_->editor.Handle()) : nullptr;
}

// ---- Mouse ------------------------------------------------------------------------

namespace {

// The column and item under client x of a row (null when none).
struct CellAt {
    CXTPReportColumn* column = nullptr;
    CXTPReportRecordItem* item = nullptr;
};

CellAt CellUnder(const ReportWindowState& state, const CXTPReportColumns* columns, CXTPReportRow* row, int x) {
    CellAt cell;
    if (state.view) cell.column = columns->GetAt(state.view->ColumnAtX(x));
    if (row && row->GetRecord() && cell.column) cell.item = row->GetRecord()->GetItem(cell.column);
    return cell;
}

void CancelPendingEdit(CXTPReportControl& control, ReportWindowState& state) {
    if (!state.editPendingRow) return;
    state.editPendingRow = nullptr;
    state.editPendingItemIndex = -1;
    if (control.GetSafeHwnd()) KillTimer(control.GetSafeHwnd(), ui::detail::kReportEditTimer);
}

// Toggles the row when the point is on its expand button; whether it was.
bool ToggledByExpandButton(CXTPReportControl& control, CXTPReportRow* row, CPoint point) {
    const CRect button = control.GetExpandButtonRect(row);
    if (button.IsRectEmpty() || !button.PtInRect(point)) return false;
    row->SetExpanded(!row->IsExpanded());
    return true;
}
}  // namespace

void CXTPReportControl::OnLButtonDown(UINT nFlags, CPoint point) {
    ReportWindowState& state = StateOf(windowState_);
    SetMouseDown(TRUE);
    SetFocus();
    state.pressPoint = point;
    state.pressRow = nullptr;
    state.selectOnRelease = false;
    state.editOnRelease = -1;
    CancelPendingEdit(*this, state);
    CXTPReportRow* row = HitTest(point);
    if (!row || ToggledByExpandButton(*this, row, point)) return;
    if (IsAllowEdit() && !(nFlags & (MK_SHIFT | MK_CONTROL)) && row == focusedRow_ && row->IsSelected() &&
        selectedRows_->GetCount() == 1) {
        CellAt cell = CellUnder(state, columns_, row, point.x);
        if (cell.item && cell.item->IsEditable() && cell.column->IsEditable())
            state.editOnRelease = cell.column->GetItemIndex();
    }
    // The notifications below may repopulate: the row is held and asked
    // whether it is still the control's.
    state.pressRow = row;
    bool shift = (nFlags & MK_SHIFT) != 0;
    bool control = (nFlags & MK_CONTROL) != 0;
    if (control && !shift && IsMultipleSelection()) {
        SetFocusedRow(row, FALSE, TRUE);
        if (CXTPReportRow* live = state.pressRow.Live()) {
            selectedRows_->Invert(live);
            if (selectedRows_->IsChanged()) OnSelectionChanged();
        }
    } else if (!shift && !control && row->IsSelected() && selectedRows_->GetCount() > 1) {
        // One of several selected rows: they may be dragged together, so
        // the row is selected alone only at the release.
        SetFocusedRow(row, FALSE, TRUE);
        state.selectOnRelease = true;
    } else {
        SetFocusedRow(row, shift, control);
    }
    if (state.pressRow.Live()) ui::detail::ReportDragPress(*this, dragState_, point);
}

void CXTPReportControl::OnMouseMove(UINT nFlags, CPoint point) {
    if (!IsMouseDown() || !(nFlags & MK_LBUTTON)) return;
    // A press on a selected row that moves far enough drags the selection
    // (report_drag_drop.cpp); the drag takes the release.
    if (ui::detail::ReportDragMove(*this, dragState_, nFlags, point)) {
        SetMouseDown(FALSE);
        if (windowState_) {
            windowState_->selectOnRelease = false;
            windowState_->editOnRelease = -1;
        }
    }
}

void CXTPReportControl::OnLButtonUp(UINT, CPoint point) {
    ReportWindowState& state = StateOf(windowState_);
    ui::detail::ReportDragRelease(dragState_);
    bool selectAlone = state.selectOnRelease;
    state.selectOnRelease = false;
    if (CXTPReportRow* pressed = selectAlone ? state.pressRow.Live() : nullptr) SetFocusedRow(pressed, FALSE, FALSE);
    ui::ReportRowRef pressed = state.pressRow;
    int editItemIndex = state.editOnRelease;
    state.pressRow = nullptr;
    state.editOnRelease = -1;
    SetMouseDown(FALSE);
    CXTPReportRow* row = HitTest(point);
    CellAt cell = CellUnder(state, columns_, row, point.x);
    SendMessageToParent(row, cell.item, cell.column, NM_CLICK, &point);
    // A click on the focused row's editable item edits it, unless a double
    // click follows within the double-click time.
    if (editItemIndex >= 0 && Exists() && pressed.Live() && HitTest(point) == pressed.Live() &&
        SetTimer(m_hWnd, ui::detail::kReportEditTimer, QApplication::doubleClickInterval(), nullptr)) {
        state.editPendingRow = pressed;
        state.editPendingItemIndex = editItemIndex;
    }
}

void CXTPReportControl::OnLButtonDblClk(UINT, CPoint point) {
    ReportWindowState& state = StateOf(windowState_);
    CancelPendingEdit(*this, state);
    SetMouseDown(TRUE);
    CXTPReportRow* row = HitTest(point);
    if (!row || ToggledByExpandButton(*this, row, point)) return;
    CellAt cell = CellUnder(state, columns_, row, point.x);
    if (!cell.item) return;
    XTP_REPORTRECORDITEM_CLICKARGS args;
    args.pControl = this;
    args.pRow = row;
    args.pColumn = cell.column;
    args.pItem = cell.item;
    args.ptClient = point;
    cell.item->OnDblClick(&args);
}

void CXTPReportControl::OnRButtonDown(UINT nFlags, CPoint point) {
    SetFocus();
    // A right press on an unselected row selects it, so the menu that
    // follows is about it.
    if (CXTPReportRow* row = HitTest(point); row && !row->IsSelected()) SetFocusedRow(row, FALSE, FALSE);
    CWnd::DefWindowProc(WM_RBUTTONDOWN, nFlags, MAKELPARAM(point.x, point.y));
}

void CXTPReportControl::OnRButtonUp(UINT nFlags, CPoint point) {
    CXTPReportRow* row = HitTest(point);
    CellAt cell = CellUnder(StateOf(windowState_), columns_, row, point.x);
    SendMessageToParent(row, cell.item, cell.column, NM_RCLICK, &point);
    if (Exists()) CWnd::DefWindowProc(WM_RBUTTONUP, nFlags, MAKELPARAM(point.x, point.y));
}

// ---- Keys, focus and the rest ---------------------------------------------------------

void CXTPReportControl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    // A key the control did not use goes on as any window's.
    if (!ProcessKeyDown(nChar, nRepCnt, nFlags) && Exists())
        CWnd::DefWindowProc(WM_KEYDOWN, nChar, MAKELPARAM(nRepCnt, nFlags));
}

void CXTPReportControl::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) {
    CWnd::DefWindowProc(WM_CHAR, nChar, MAKELPARAM(nRepCnt, nFlags));
}

void CXTPReportControl::OnSetFocus(CWnd* pOldWnd) {
    // Selected rows show in the highlight colour while the control has the
    // focus.
    RedrawControl();
    CWnd::DefWindowProc(WM_SETFOCUS, reinterpret_cast<WPARAM>(pOldWnd ? pOldWnd->GetSafeHwnd() : nullptr), 0);
}

void CXTPReportControl::OnKillFocus(CWnd* pNewWnd) {
    RedrawControl();
    CWnd::DefWindowProc(WM_KILLFOCUS, reinterpret_cast<WPARAM>(pNewWnd ? pNewWnd->GetSafeHwnd() : nullptr), 0);
}

void CXTPReportControl::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == ui::detail::kReportEditTimer && windowState_) {
        ReportWindowState& state = *windowState_;
        ui::ReportRowRef row = state.editPendingRow;
        int itemIndex = state.editPendingItemIndex;
        CancelPendingEdit(*this, state);
        // Still the focused, selected row of this control.
        if (CXTPReportRow* live = row.Live(); live && live == focusedRow_ && live->IsSelected())
            EditItem(live, columns_->Find(itemIndex));
        return;
    }
    CWnd::DefWindowProc(WM_TIMER, nIDEvent, 0);
}

void CXTPReportControl::OnSize(UINT nType, int cx, int cy) { CWnd::DefWindowProc(WM_SIZE, nType, MAKELPARAM(cx, cy)); }

void CXTPReportControl::OnPaint() {
    // The rows are Qt's to paint (ReportTreeView::paintEvent), which then
    // runs OnDraw over them.
    CWnd::DefWindowProc(WM_PAINT, 0, 0);
}
