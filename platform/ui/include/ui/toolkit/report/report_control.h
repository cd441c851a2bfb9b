// CXTPReportControl: the list and tree control of the explorer's views.
//
// The data is plain C++ and works without a window: records (GetRecords(),
// each with items and child records), columns, and the rows Populate makes
// from them (GetRows(): the shown rows, sorted per level by the sort
// columns' Compare or a custom comparison). Selection and focus belong to
// the rows. The window (Create) is a QTreeView over a flat model of the
// shown rows; it exists only while the control's window exists and asks
// the items for the visible rows only.
//
// Changes reach the window as one reset per Populate or EndUpdate, one
// inserted or removed range per expand or collapse.
//
// Input reaches WindowProc first, so a derived control's message map sees
// WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_TIMER, WM_SETFOCUS before
// the handlers below, which run the control's behaviour. Keys pass
// OnPreviewKeyDown (FALSE swallows the key) before the navigation.
//
// Notifications (report_notify.h) go as WM_NOTIFY to the parent window.
// Row and record lifetimes: see report_row.h and report_record.h.
#pragma once

#include "ui/framework/message_map.h"
#include "ui/framework/wnd.h"
#include "ui/geometry.h"
#include "ui/handle_types.h"
#include "ui/toolkit/report/report_notify.h"

#include <vector>

class CCreateContext;
class CDC;
class CImageList;
class COleDataObject;
class CXTPReportColumn;
class CXTPReportColumns;
class CXTPReportHeader;
class CXTPReportPaintManager;
class CXTPReportRecord;
class CXTPReportRecordItem;
class CXTPReportRecords;
class CXTPReportRow;
class CXTPReportRows;
class CXTPReportSelectedRows;

namespace ui::detail {
class ReportPresenter;
struct ReportWindowState;
struct ReportDragState;
}  // namespace ui::detail

// A drop effect (DROPEFFECT_COPY, ... of ui/drag_drop.h).
typedef DWORD DROPEFFECT;

// EnableDragDrop flags.
enum XTPReportDragDrop {
    xtpReportAllowDrop = 1,      // records of the control's format may be dropped here
    xtpReportAllowDragCopy = 2,  // the selected rows may be dragged as a copy
    xtpReportAllowDragMove = 4,  // ... and moved
    xtpReportAllowDrag = 6,
};

// A comparison of two rows for sorting: negative, 0 or positive.
typedef int (*XTPReportRowsCompareFunc)(const CXTPReportRow** pRow1, const CXTPReportRow** pRow2);

class CXTPReportControl : public CWnd {
    DECLARE_DYNAMIC(CXTPReportControl)
public:
    CXTPReportControl();
    ~CXTPReportControl() override;

    // ---- Data ---------------------------------------------------------

    // The top-level records; never null.
    CXTPReportRecords* GetRecords() const { return records_; }
    // Appends a top-level record (the control takes the caller's reference)
    // and returns it. The row appears at the next Populate.
    CXTPReportRecord* AddRecord(CXTPReportRecord* pRecord);
    // Removes the record (at any depth) with its children: their rows leave
    // the shown rows at once as one range (whatever bAdjustLayout says: the
    // window never shows rows that are gone) and the record is released.
    // With bRemoveFromParent FALSE only the rows go and the record stays in
    // its list. Removed rows leave the selection (marked changed, nothing
    // sent); a removed focused row leaves no focus. FALSE when the record
    // belongs to no list of this control.
    BOOL RemoveRecordEx(CXTPReportRecord* pRecord, BOOL bAdjustLayout = TRUE, BOOL bRemoveFromParent = TRUE);
    // Removes every record and row. The window is reset in either case (it
    // must not show rows that are gone); bUpdateControl is kept for callers.
    void ResetContent(BOOL bUpdateControl = TRUE);

    // The columns; never null.
    CXTPReportColumns* GetColumns() const { return columns_; }
    // Appends a column (the control owns it) and returns it.
    CXTPReportColumn* AddColumn(CXTPReportColumn* pColumn);
    CXTPReportHeader* GetReportHeader() const { return header_; }

    // The shown rows; never null.
    CXTPReportRows* GetRows() const { return rows_; }
    // The selection; never null.
    CXTPReportSelectedRows* GetSelectedRows() const { return selectedRows_; }

    // Makes the rows anew from the records: every record gets a row, the
    // rows of expanded records show, each level sorted (stable) by the sort
    // order or the custom comparison. Selection and focus stay on the same
    // records. The window is reset once.
    virtual void Populate();
    // Sorts the existing rows again (per level, stable) without making new
    // ones; the window is reset once.
    virtual void ReSortRows();
    // A custom comparison used by Populate and ReSortRows instead of the
    // sort columns; null goes back to the columns.
    void SetRowsCompareFunc(XTPReportRowsCompareFunc pCompareFunc);

    // Expands (collapses) every row; the window is reset once and one
    // XTP_NM_REPORT_ROWEXPANDED is sent with no row.
    void ExpandAll();
    void CollapseAll();

    // Between BeginUpdate and EndUpdate (nested) the window is not told of
    // changes; EndUpdate resets it once.
    void BeginUpdate();
    void EndUpdate();
    BOOL IsUpdating() const { return updateCount_ > 0; }

    // ---- Selection and focus -------------------------------------------

    // The focused row; null when none.
    CXTPReportRow* GetFocusedRow() const { return focusedRow_; }
    // Moves the focus to `pRow`: alone (bControlKey FALSE) it selects the row
    // alone; with bControlKey it moves the focus only.
    BOOL SetFocusedRow(CXTPReportRow* pRow, BOOL bControlKey = FALSE);
    // With bShiftKey (and multiple selection) the shown rows from the anchor
    // (the row last focused without Shift) to `pRow` become the selection,
    // added to it with bControlKey too; with bControlKey alone the focus
    // moves only; with neither the row is selected alone. The row is made
    // visible; when this call changed the selection OnSelectionChanged runs.
    // FALSE for a row that is not shown.
    BOOL SetFocusedRow(CXTPReportRow* pRow, BOOL bShiftKey, BOOL bControlKey);

    void SetMultipleSelection(BOOL bMultipleSelection);
    BOOL IsMultipleSelection() const { return multipleSelection_; }

    // Whether items may be edited in place.
    void AllowEdit(BOOL bAllowEdit) { allowEdit_ = bAllowEdit != FALSE; }
    BOOL IsAllowEdit() const { return allowEdit_; }

    // The selection changed: sends XTP_NM_REPORT_SELCHANGED and clears the
    // selection's changed mark.
    virtual void OnSelectionChanged();

    // The control's key handling: OnPreviewKeyDown, then the navigation
    // (Up, Down, Home, End, PageUp, PageDown with Shift and Ctrl as
    // SetFocusedRow takes them; Left collapses or goes to the parent, Right
    // expands or goes to the first child; Add and Subtract expand and
    // collapse; Enter toggles the focused row, Space selects it alone,
    // Ctrl+Space inverts it). Without a window a page is 10 rows. Shift and
    // Ctrl are read with GetKeyState. TRUE when the key was used or
    // swallowed.
    BOOL ProcessKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

    // Sends WM_NOTIFY `nCode` with a ui::ReportRowNotify to the parent; the
    // parent's answer (0 without a parent window).
    LRESULT SendMessageToParent(CXTPReportRow* pRow, CXTPReportRecordItem* pItem, CXTPReportColumn* pColumn, UINT nCode,
                                CPoint* pPoint = nullptr);
    // Sends WM_NOTIFY with `pNMHDR` (its hdr filled here) to the parent.
    LRESULT SendNotifyMessage(UINT nCode, NMHDR* pNMHDR = nullptr);

    // ---- Window (report_control_window.cpp) -----------------------------

    using CWnd::Create;
    // Creates the control's window as child `nID` of `pParentWnd`.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);

    // The shown row under a client point; null when none.
    CXTPReportRow* HitTest(CPoint pt) const;
    // The column whose header is under the point; null when none (or the
    // header is hidden).
    CXTPReportColumn* HitTestHeader(CPoint pt) const;
    // Rectangles in client coordinates; empty without a window or for a row
    // that is not shown.
    CRect GetRowRect(const CXTPReportRow* pRow) const;
    CRect GetItemRect(const CXTPReportRow* pRow, const CXTPReportColumn* pColumn) const;
    CRect GetExpandButtonRect(const CXTPReportRow* pRow) const;
    CRect GetColumnRect(const CXTPReportColumn* pColumn) const;
    // The header's rectangle (empty when hidden) and the rows' area.
    CRect GetHeaderRect() const;
    CRect GetReportRectangle() const;
    // The index of the first visible row and how many rows fit the area.
    int GetTopRowIndex() const;
    int GetRowsPerPage() const;

    // Scrolls so that the row shows.
    void EnsureVisible(CXTPReportRow* pRow);
    // Repaints the rows (the items are asked again).
    void RedrawControl();

    // Opens the in-place editor over the row's item in `pColumn` when the
    // column and the item are editable (AllowEdit governs only the user's
    // clicks: a view that turns it off still renames by command); null row:
    // ends an edit.
    BOOL EditItem(CXTPReportRow* pRow, CXTPReportColumn* pColumn);
    // Ends an in-place edit: commits its text (OnEditChanged) or cancels it.
    void EndEditItem(BOOL bCommit = TRUE);
    BOOL IsEditMode() const;
    // The in-place editor's window ("Edit" class), null when none is open.
    CWnd* GetInplaceEdit() const;

    void ShowHeader(BOOL bShow = TRUE);
    BOOL IsHeaderVisible() const;

    // The row icons (not owned).
    void SetImageList(CImageList* pImageList);
    void SetImageList(HIMAGELIST hImageList);
    HIMAGELIST GetImageList() const;
    // Pixels per tree level.
    void SetTreeIndent(int nIndent);
    int GetTreeIndent() const;

    CXTPReportPaintManager* GetPaintManager() const;

    // True between a mouse press on the control and its release.
    BOOL IsMouseDown() const { return mouseDown_; }

    // ---- Drag and drop (report_drag_drop.cpp) ----------------------------

    // Registers `lpszClipboardFormat` for the records and allows dragging
    // and dropping (XTPReportDragDrop flags); `dwDropMarkerFlags` chooses the
    // drop marker. The format's id.
    UINT EnableDragDrop(LPCTSTR lpszClipboardFormat, DWORD dwFlags, DWORD dwDropMarkerFlags = 1);
    // A drag over the control (`pDataObject` null: the drag left);
    // `nState` 0 enter, 1 leave, 2 over. The default scrolls near the edges,
    // keeps the drop position and accepts the control's format.
    virtual DROPEFFECT OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point, int nState);
    // A drop: the default inserts or moves the records (-85, -71, -75).
    virtual BOOL OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
    // Draws the drop marker at the drop position.
    virtual void DrawDropMarker(CDC* pDC);
    // The drop marker's y in client coordinates, -1 for none.
    int GetDropPosition() const;
    void SetDropPosition(int nDropPos);
    // Scrolls one row when the point is near the top or bottom edge.
    void DoAutoVScroll(CPoint point);
    // Puts the selected records on the clipboard (the records' format and
    // their captions as text).
    BOOL Copy();

protected:
    // ---- Overridable parts ----------------------------------------------

    // The row factory: a new row (one reference, the control's).
    virtual CXTPReportRow* CreateRow();
    // Sees each key before the control: FALSE swallows it. `rnChar` may be
    // changed. The default passes every key.
    virtual BOOL OnPreviewKeyDown(UINT& rnChar, UINT nRepCnt, UINT nFlags);
    // Paints the control over the rows' painting (the window calls it
    // with a DC over the viewport's painter). The default draws the drop
    // marker when a drop position is set.
    virtual void OnDraw(CDC* pDC);

    // ---- Message handlers (report_control_window.cpp) -------------------

    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnPaint();
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

    QWidget* CreateWidget(QWidget* parent, bool child) override;

    // Set by the window between a press and its release.
    void SetMouseDown(BOOL bMouseDown) { mouseDown_ = bMouseDown != FALSE; }

    // ---- For the window and the drag and drop parts -----------------------

    // What the control tells its window; null while there is none.
    ui::detail::ReportPresenter* presenter_ = nullptr;  // Not owned: the window state owns it.
    // The window side's state (widget, paint manager, image list, ...),
    // made and freed by report_control_window.cpp.
    ui::detail::ReportWindowState* windowState_ = nullptr;
    // The drag and drop state, made and freed by report_drag_drop.cpp.
    ui::detail::ReportDragState* dragState_ = nullptr;

private:
    friend class CXTPReportRow;
    friend class CXTPReportRows;
    friend class CXTPReportSelectedRows;
    friend class CXTPReportColumn;
    friend class CXTPReportColumns;
    friend class CXTPReportRecords;
    friend class CXTPReportHeader;

    // Frees windowState_ (report_control_window.cpp) and dragState_
    // (report_drag_drop.cpp); called by the destructor.
    void DestroyWindowState();
    void DestroyDragState();

    // Logic helpers (report_control.cpp).
    // Bracket a change the window must see as a reset (deferred to
    // EndUpdate while updating).
    void BeginWindowReset();
    void EndWindowReset();
    void ColumnsChanged();
    void BuildRows(CXTPReportRecords* pRecords, CXTPReportRow* pParent, int nDepth);
    void SortRows(std::vector<CXTPReportRow*>& rows) const;
    void SortTree(CXTPReportRows* pRows) const;
    // Makes the shown rows from the tree (indexes of hidden rows -1), then
    // drops hidden rows from the selection and moves a hidden focus to its
    // nearest shown ancestor.
    // TRUE when the selection changed.
    bool RebuildShownRows();
    void SetAllExpanded(bool bExpanded);
    void ReleaseAllRows();
    void RenumberFrom(int nIndex);
    // Expands or collapses the row (with bAll, every row below it too).
    void ExpandRow(CXTPReportRow* pRow, bool bExpanded, bool bAll);
    // Removes the row's shown descendants (with the row itself when
    // bWithRow) from the shown rows as one range.
    void HideRows(CXTPReportRow* pRow, bool bWithRow);
    void ShowDescendants(CXTPReportRow* pRow);
    BOOL Navigate(UINT nChar, BOOL bShift, BOOL bControl);
    void FocusRow(CXTPReportRow* pRow);

    CXTPReportRecords* records_;            // Owned.
    CXTPReportColumns* columns_;            // Owned.
    CXTPReportHeader* header_;              // Owned.
    CXTPReportRows* rows_;                  // Owned: the shown rows.
    CXTPReportRows* tree_;                  // Owned: the top-level rows; holds the control's references.
    CXTPReportSelectedRows* selectedRows_;  // Owned.
    CXTPReportRow* focusedRow_ = nullptr;   // Not owned: one of the rows.
    CXTPReportRow* anchorRow_ = nullptr;    // Not owned: the start of Shift selections.
    XTPReportRowsCompareFunc compareFunc_ = nullptr;
    int updateCount_ = 0;
    bool resetPending_ = false;
    bool multipleSelection_ = true;
    bool allowEdit_ = false;
    bool mouseDown_ = false;
};
