// CXTPReportRow: one row of the control, showing one record.
//
// Populate makes the rows anew from the records: every record gets a row
// (children of collapsed records too), and the rows of expanded records
// show (GetRows()). Rows are made by the control's row factory
// (CXTPReportControl::CreateRow) and are reference-counted.
//
// Pointer rule: the control holds one reference to each of its rows and
// releases it when the row goes (Populate, ResetContent, removal of its
// record). A row pointer a caller got from the control is valid until the
// control's next such change; a caller that keeps a row longer holds a
// reference (InternalAddRef / InternalRelease, or ui::ReportRowRef). A row
// the control let go is detached: it keeps its record (the row holds a
// reference to it) but belongs to no control: GetControl() null,
// GetIndex() -1, not selected, not focused, no parent, no children, and
// SetExpanded / SetSelected do nothing. Find the record's new row with
// CXTPReportRows::Find.
#pragma once

#include "ui/framework/cmd_target.h"
#include "ui/geometry.h"

#include <utility>

class CXTPReportColumn;
class CXTPReportControl;
class CXTPReportRecord;
class CXTPReportRecordItem;
class CXTPReportRows;

class CXTPReportRow : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportRow)
public:
    CXTPReportRow();

    void InternalAddRef();
    // Frees the row at the last reference.
    void InternalRelease();

    CXTPReportRecord* GetRecord() const { return record_; }
    // The control the row belongs to; null once detached.
    CXTPReportControl* GetControl() const { return control_; }
    // The row of the parent record; null at the top level.
    CXTPReportRow* GetParentRow() const { return parent_; }
    // 0 at the top level, 1 for the children of a top-level row, ...
    int GetTreeDepth() const { return depth_; }
    // The child rows (shown or not), in sorted order; never null.
    CXTPReportRows* GetChilds();
    BOOL HasChildren() const;

    BOOL IsExpanded() const;
    // Expands or collapses the row: its record takes the state, the shown
    // descendants' rows are inserted or removed as one range, and
    // XTP_NM_REPORT_ROWEXPANDED is sent. Rows that disappear leave the
    // selection; a hidden focused row passes the focus to this row.
    virtual void SetExpanded(BOOL bExpanded);
    void Collapse() { SetExpanded(FALSE); }
    // Expands the row and every row below it.
    void ExpandAll();

    // The row's position in the control's shown rows (GetRows()); -1 while
    // hidden (under a collapsed row) or detached. O(1).
    int GetIndex() const { return index_; }
    BOOL IsSelected() const { return selected_; }
    // Adds the row to the selection or removes it (no notification).
    void SetSelected(BOOL bSelected);
    BOOL IsFocused() const;

    // The row's rectangle in the control's client coordinates; empty
    // without a window or while not shown.
    CRect GetRect() const;
    // The rectangle of the row's item in `pColumn`.
    CRect GetItemRect(CXTPReportColumn* pColumn) const;

protected:
    ~CXTPReportRow() override;

private:
    friend class CXTPReportControl;
    friend class CXTPReportRows;
    friend class CXTPReportSelectedRows;

    // Sets the row up for the control (a reference to the record).
    void InitRow(CXTPReportControl* pControl, CXTPReportRecord* pRecord, CXTPReportRow* pParent, int nDepth);
    // Lets go of the control: releases the children, keeps the record.
    void Detach();

    long refCount_ = 1;
    CXTPReportControl* control_ = nullptr;  // Not owned.
    CXTPReportRecord* record_ = nullptr;    // One reference held.
    CXTPReportRow* parent_ = nullptr;       // Not owned: the parent holds this row.
    CXTPReportRows* childs_ = nullptr;      // Owned; made on first use.
    int depth_ = 0;
    int index_ = -1;
    bool selected_ = false;
};

namespace ui {

// A reference to a row that a caller keeps across changes of the control
// (a hovered or pressed row): the row stays valid, detached when the
// control let it go.
class ReportRowRef {
public:
    ReportRowRef() = default;
    ReportRowRef(CXTPReportRow* row) : row_(row) {
        if (row_) row_->InternalAddRef();
    }
    ReportRowRef(const ReportRowRef& other) : ReportRowRef(other.row_) {}
    ReportRowRef& operator=(const ReportRowRef& other) {
        ReportRowRef copy(other);
        std::swap(row_, copy.row_);
        return *this;
    }
    ~ReportRowRef() {
        if (row_) row_->InternalRelease();
    }
    CXTPReportRow* Get() const { return row_; }
    CXTPReportRow* operator->() const { return row_; }
    operator CXTPReportRow*() const { return row_; }
    // The row while the control still shows or holds it, else null.
    CXTPReportRow* Live() const { return row_ && row_->GetControl() ? row_ : nullptr; }

private:
    CXTPReportRow* row_ = nullptr;
};

}  // namespace ui
