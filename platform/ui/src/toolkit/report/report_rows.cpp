#include "ui/toolkit/report/report_rows.h"

#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_row.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CXTPReportRows, CCmdTarget)

CXTPReportRows::~CXTPReportRows() = default;

CXTPReportRow* CXTPReportRows::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? rows_[static_cast<size_t>(nIndex)] : nullptr;
}

CXTPReportRow* CXTPReportRows::Find(const CXTPReportRecord* pRecord) const {
    if (!pRecord) return nullptr;
    CXTPReportRow* row = pRecord->row_;
    return row && IndexOf(row) >= 0 ? row : nullptr;
}

int CXTPReportRows::IndexOf(const CXTPReportRow* pRow) const {
    if (!pRow) return -1;
    if (shownRows_) return GetAt(pRow->index_) == pRow ? pRow->index_ : -1;
    auto found = std::find(rows_.begin(), rows_.end(), pRow);
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}
