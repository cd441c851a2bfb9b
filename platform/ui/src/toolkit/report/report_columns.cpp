#include "ui/toolkit/report/report_columns.h"

#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_control.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CXTPReportColumns, CCmdTarget)

CXTPReportColumn* CXTPReportColumnOrder::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? columns_[static_cast<size_t>(nIndex)] : nullptr;
}

void CXTPReportColumnOrder::Add(CXTPReportColumn* pColumn) {
    if (pColumn && IndexOf(pColumn) < 0) columns_.push_back(pColumn);
}

void CXTPReportColumnOrder::Remove(CXTPReportColumn* pColumn) { std::erase(columns_, pColumn); }

int CXTPReportColumnOrder::IndexOf(const CXTPReportColumn* pColumn) const {
    auto found = std::find(columns_.begin(), columns_.end(), pColumn);
    return found == columns_.end() ? -1 : static_cast<int>(found - columns_.begin());
}

CXTPReportColumns::CXTPReportColumns(CXTPReportControl* pControl) : control_(pControl) {}

CXTPReportColumns::~CXTPReportColumns() {
    for (auto* column : columns_) delete column;
}

CXTPReportColumn* CXTPReportColumns::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? columns_[static_cast<size_t>(nIndex)] : nullptr;
}

CXTPReportColumn* CXTPReportColumns::Add(CXTPReportColumn* pColumn) {
    if (!pColumn) return nullptr;
    if (control_) control_->BeginWindowReset();
    // One tree column: a new one marked so takes over.
    if (pColumn->treeColumn_)
        for (auto* column : columns_) column->treeColumn_ = false;
    pColumn->columns_ = this;
    columns_.push_back(pColumn);
    if (control_) control_->EndWindowReset();
    return pColumn;
}

void CXTPReportColumns::Remove(CXTPReportColumn* pColumn) {
    const int index = IndexOf(pColumn);
    if (index < 0) return;
    if (control_) control_->BeginWindowReset();
    columns_.erase(columns_.begin() + index);
    sortOrder_.Remove(pColumn);
    delete pColumn;
    if (control_) control_->EndWindowReset();
}

void CXTPReportColumns::Clear() {
    if (control_) control_->BeginWindowReset();
    sortOrder_.Clear();
    for (auto* column : columns_) delete column;
    columns_.clear();
    if (control_) control_->EndWindowReset();
}

int CXTPReportColumns::IndexOf(const CXTPReportColumn* pColumn) const {
    auto found = std::find(columns_.begin(), columns_.end(), pColumn);
    return found == columns_.end() ? -1 : static_cast<int>(found - columns_.begin());
}

CXTPReportColumn* CXTPReportColumns::Find(int nItemIndex) const {
    for (auto* column : columns_)
        if (column->GetItemIndex() == nItemIndex) return column;
    return nullptr;
}

void CXTPReportColumns::ChangeColumnOrder(int nNewIndex, CXTPReportColumn* pColumn) {
    const int index = IndexOf(pColumn);
    if (index < 0) return;
    columns_.erase(columns_.begin() + index);
    nNewIndex = std::clamp(nNewIndex, 0, GetCount());
    columns_.insert(columns_.begin() + nNewIndex, pColumn);
    if (control_) control_->ColumnsChanged();
}

int CXTPReportColumns::GetVisibleColumnsCount() const {
    return static_cast<int>(std::count_if(columns_.begin(), columns_.end(), [](auto* c) { return c->IsVisible(); }));
}

CXTPReportColumn* CXTPReportColumns::GetVisibleAt(int nIndex) const {
    if (nIndex < 0) return nullptr;
    for (auto* column : columns_)
        if (column->IsVisible() && nIndex-- == 0) return column;
    return nullptr;
}

CXTPReportColumn* CXTPReportColumns::GetTreeColumn() const {
    for (auto* column : columns_)
        if (column->IsTreeColumn()) return column;
    return GetVisibleAt(0);
}

void CXTPReportColumns::SetSortColumn(CXTPReportColumn* pColumn, BOOL bIncreasing) {
    sortOrder_.Clear();
    if (pColumn && IndexOf(pColumn) >= 0) {
        pColumn->SetSortIncreasing(bIncreasing);
        sortOrder_.Add(pColumn);
    }
    if (control_) control_->ColumnsChanged();
}
