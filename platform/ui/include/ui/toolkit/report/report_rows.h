// CXTPReportRows: a list of rows. The control's GetRows() is the flat list
// of shown rows (expanded records' rows, in order); a row's GetChilds() its
// child rows. Lists hold no references of their own: the control does (see
// report_row.h).
#pragma once

#include "ui/framework/cmd_target.h"

#include <vector>

class CXTPReportRecord;
class CXTPReportRow;

class CXTPReportRows : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportRows)
public:
    CXTPReportRows() = default;
    ~CXTPReportRows() override;

    int GetCount() const { return static_cast<int>(rows_.size()); }
    // The row at `nIndex`, null out of range.
    CXTPReportRow* GetAt(int nIndex) const;
    // The row of `pRecord` in this list, null when the record has no row
    // here. O(1) for the control's shown rows.
    CXTPReportRow* Find(const CXTPReportRecord* pRecord) const;
    // The position of the row in this list, -1 when not here.
    int IndexOf(const CXTPReportRow* pRow) const;

private:
    friend class CXTPReportControl;
    friend class CXTPReportRow;

    std::vector<CXTPReportRow*> rows_;  // Not owned.
    bool shownRows_ = false;            // The control's shown rows: rows know their index here.
};
