#include "ui/toolkit/report/report_selected_rows.h"

#include "report_presenter.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"

#include <algorithm>
#include <cstdint>

IMPLEMENT_DYNAMIC(CXTPReportSelectedRows, CCmdTarget)

CXTPReportSelectedRows::CXTPReportSelectedRows(CXTPReportControl* pControl) : control_(pControl) {}

CXTPReportSelectedRows::~CXTPReportSelectedRows() = default;

CXTPReportRow* CXTPReportSelectedRows::GetAt(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? rows_[static_cast<size_t>(nIndex)] : nullptr;
}

BOOL CXTPReportSelectedRows::Contains(const CXTPReportRow* pRow) const {
    return pRow && pRow->selected_ && pRow->control_ == control_;
}

namespace {

bool Selectable(const CXTPReportRow* row, const CXTPReportControl* control) {
    return row && row->GetControl() == control && row->GetIndex() >= 0;
}

}  // namespace

void CXTPReportSelectedRows::Select(CXTPReportRow* pRow) {
    if (!Selectable(pRow, control_)) pRow = nullptr;
    if (pRow ? rows_.size() == 1 && rows_[0] == pRow : rows_.empty()) return;
    ClearRows();
    if (pRow) AddRow(pRow);
    Touch();
}

void CXTPReportSelectedRows::Add(CXTPReportRow* pRow) {
    if (!Selectable(pRow, control_) || pRow->selected_) return;
    if (!control_->IsMultipleSelection()) return Select(pRow);
    AddRow(pRow);
    Touch();
}

void CXTPReportSelectedRows::Remove(CXTPReportRow* pRow) {
    if (!Contains(pRow)) return;
    RemoveRow(pRow);
    Touch();
}

void CXTPReportSelectedRows::Invert(CXTPReportRow* pRow) {
    if (Contains(pRow))
        Remove(pRow);
    else
        Add(pRow);
}

void CXTPReportSelectedRows::Clear() {
    if (rows_.empty()) return;
    ClearRows();
    Touch();
}

void CXTPReportSelectedRows::SelectBlock(int nBlockBegin, int nBlockEnd, BOOL bAdd) {
    CXTPReportRows* shown = control_->GetRows();
    if (shown->GetCount() == 0) return;
    nBlockBegin = std::clamp(nBlockBegin, 0, shown->GetCount() - 1);
    nBlockEnd = std::clamp(nBlockEnd, 0, shown->GetCount() - 1);
    if (!control_->IsMultipleSelection()) return Select(shown->GetAt(nBlockEnd));
    const int low = std::min(nBlockBegin, nBlockEnd), high = std::max(nBlockBegin, nBlockEnd);
    // Selecting what is selected already changes nothing (and sends nothing).
    bool same = bAdd || rows_.size() == static_cast<size_t>(high - low + 1);
    for (int i = low; same && i <= high; ++i) same = shown->GetAt(i)->selected_;
    if (same) return;
    if (!bAdd) ClearRows();
    const int step = nBlockBegin <= nBlockEnd ? 1 : -1;
    for (int i = nBlockBegin;; i += step) {
        AddRow(shown->GetAt(i));
        if (i == nBlockEnd) break;
    }
    Touch();
}

POSITION CXTPReportSelectedRows::GetFirstSelectedRowPosition() const {
    return rows_.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t{1});
}

CXTPReportRow* CXTPReportSelectedRows::GetNextSelectedRow(POSITION& pos) const {
    const auto index = reinterpret_cast<std::uintptr_t>(pos) - 1;
    if (!pos || index >= rows_.size()) {
        pos = nullptr;
        return nullptr;
    }
    pos = index + 1 < rows_.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
    return rows_[index];
}

void CXTPReportSelectedRows::AddRow(CXTPReportRow* pRow) {
    if (pRow->selected_) return;
    pRow->selected_ = true;
    rows_.push_back(pRow);
}

void CXTPReportSelectedRows::RemoveRow(CXTPReportRow* pRow) {
    if (!pRow->selected_) return;
    pRow->selected_ = false;
    std::erase(rows_, pRow);
}

void CXTPReportSelectedRows::ClearRows() {
    for (auto* row : rows_) row->selected_ = false;
    rows_.clear();
}

void CXTPReportSelectedRows::DropUnselected() {
    std::erase_if(rows_, [](const CXTPReportRow* row) { return !row->selected_; });
}

void CXTPReportSelectedRows::Touch() {
    changed_ = true;
    ++changes_;
    if (control_->presenter_ && !control_->IsUpdating()) control_->presenter_->SelectionChanged();
}
