// CXTPReportSelectedRows: the control's selection, the truth the window
// mirrors. Rows keep the order in which they were selected; Contains is
// O(1) (a flag on the row). Only shown rows of the control can be selected:
// a row that is hidden or let go leaves the selection.
//
// Changing the selection here marks it changed (IsChanged) and redraws, but
// sends nothing: the control's own operations (SetFocusedRow, mouse and
// keys) run CXTPReportControl::OnSelectionChanged, which sends
// XTP_NM_REPORT_SELCHANGED; code that changes the selection here calls it
// when it wants the notification.
#pragma once

#include "ui/framework/cmd_target.h"
#include "winapi/types.h"  // POSITION

#include <vector>

class CXTPReportControl;
class CXTPReportRow;

class CXTPReportSelectedRows : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportSelectedRows)
public:
    explicit CXTPReportSelectedRows(CXTPReportControl* pControl);
    ~CXTPReportSelectedRows() override;

    int GetCount() const { return static_cast<int>(rows_.size()); }
    // The `nIndex`th selected row in selection order, null out of range.
    CXTPReportRow* GetAt(int nIndex) const;
    BOOL Contains(const CXTPReportRow* pRow) const;

    // Makes `pRow` the only selected row (null: clears).
    void Select(CXTPReportRow* pRow);
    // Adds the row (with single selection: selects it alone).
    void Add(CXTPReportRow* pRow);
    void Remove(CXTPReportRow* pRow);
    // Selects the row when it is not selected, else removes it.
    void Invert(CXTPReportRow* pRow);
    void Clear();
    // Selects the shown rows from index `nBlockBegin` to `nBlockEnd` (either
    // order, both included) instead of the current selection; with
    // `bAdd` they are added to it.
    void SelectBlock(int nBlockBegin, int nBlockEnd, BOOL bAdd = FALSE);

    // Iterates in selection order: a null POSITION ends.
    POSITION GetFirstSelectedRowPosition() const;
    CXTPReportRow* GetNextSelectedRow(POSITION& pos) const;

    BOOL IsChanged() const { return changed_; }
    void SetChanged(BOOL bChanged = TRUE) { changed_ = bChanged != FALSE; }

    CXTPReportControl* GetControl() const { return control_; }

private:
    friend class CXTPReportControl;
    friend class CXTPReportRow;

    void AddRow(CXTPReportRow* pRow);
    void RemoveRow(CXTPReportRow* pRow);
    void ClearRows();
    // Drops the rows whose selected flag was cleared, in one pass.
    void DropUnselected();
    // The selection changed: mark it and tell the window.
    void Touch();

    CXTPReportControl* control_;        // Not owned: the control owns this.
    std::vector<CXTPReportRow*> rows_;  // Not owned; each has selected_ set.
    bool changed_ = false;
    unsigned changes_ = 0;  // Counts every change, so an operation sees its own.
};
