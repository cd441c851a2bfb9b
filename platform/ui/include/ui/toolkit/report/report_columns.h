// CXTPReportColumns: the control's columns in display order, and the sort
// order (the columns Populate sorts by, first the most significant).
#pragma once

#include "ui/framework/cmd_target.h"

#include <vector>

class CXTPPropExchange;
class CXTPReportColumn;
class CXTPReportControl;

// The columns the rows are sorted by, in order of significance.
class CXTPReportColumnOrder {
public:
    int GetCount() const { return static_cast<int>(columns_.size()); }
    CXTPReportColumn* GetAt(int nIndex) const;
    // Appends a column (nothing when it is there already).
    void Add(CXTPReportColumn* pColumn);
    void Remove(CXTPReportColumn* pColumn);
    void Clear() { columns_.clear(); }
    int IndexOf(const CXTPReportColumn* pColumn) const;

private:
    std::vector<CXTPReportColumn*> columns_;  // Not owned: the columns own them.
};

class CXTPReportColumns : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportColumns)
public:
    explicit CXTPReportColumns(CXTPReportControl* pControl = nullptr);
    ~CXTPReportColumns() override;

    int GetCount() const { return static_cast<int>(columns_.size()); }
    // The column at display position `nIndex`, null out of range.
    CXTPReportColumn* GetAt(int nIndex) const;
    // Appends the column (the list owns it) and returns it.
    CXTPReportColumn* Add(CXTPReportColumn* pColumn);
    // Deletes the column at `nIndex`.
    void Remove(CXTPReportColumn* pColumn);
    // Deletes every column.
    void Clear();
    // The position of the column, -1 when not here.
    int IndexOf(const CXTPReportColumn* pColumn) const;
    // The first column showing item index `nItemIndex`, null when none.
    CXTPReportColumn* Find(int nItemIndex) const;
    // Moves the column to display position `nNewIndex`.
    void ChangeColumnOrder(int nNewIndex, CXTPReportColumn* pColumn);

    int GetVisibleColumnsCount() const;
    // The visible column at visible position `nIndex`, null out of range.
    CXTPReportColumn* GetVisibleAt(int nIndex) const;

    // The tree column (the first column marked so, else the first visible
    // column); null without columns.
    CXTPReportColumn* GetTreeColumn() const;

    // The sort order.
    CXTPReportColumnOrder* GetSortOrder() { return &sortOrder_; }
    // Makes `pColumn` the only sort column with that direction (null: no
    // sort). The rows follow at the next Populate (or ReSortRows).
    void SetSortColumn(CXTPReportColumn* pColumn, BOOL bIncreasing);

    // The columns' state (order, widths, visibility, sort) to or from a
    // property exchange.
    void DoPropExchange(CXTPPropExchange* pPX);

    CXTPReportControl* GetControl() const { return control_; }

private:
    friend class CXTPReportColumn;

    CXTPReportControl* control_;              // Not owned.
    std::vector<CXTPReportColumn*> columns_;  // Owned.
    CXTPReportColumnOrder sortOrder_;
};
