// The report control's data and logic: records to rows, sorting, expanding,
// selection, focus, key navigation and the notifications they raise. The
// window side is report_control_window.cpp, drag and drop
// report_drag_drop.cpp.
#include "ui/toolkit/report/report_control.h"

#include "report_presenter.h"
#include "ui/input.h"
#include "ui/message_queue.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_header.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"
#include "ui/window_functions.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CXTPReportControl, CWnd)

namespace {

// PageUp and PageDown of a control without a window move this many rows.
constexpr int kRowsPerPageWithoutWindow = 10;

// Holds references to records while rows that hold them are let go.
class RecordRefs {
public:
    void Add(CXTPReportRecord* record) {
        if (!record) return;
        record->InternalAddRef();
        records_.push_back(record);
    }
    const std::vector<CXTPReportRecord*>& Records() const { return records_; }
    ~RecordRefs() {
        for (auto* record : records_) record->InternalRelease();
    }

private:
    std::vector<CXTPReportRecord*> records_;
};

}  // namespace

CXTPReportControl::CXTPReportControl()
    : records_(new CXTPReportRecords(this, nullptr)),
      columns_(new CXTPReportColumns(this)),
      header_(new CXTPReportHeader(this)),
      rows_(new CXTPReportRows),
      tree_(new CXTPReportRows),
      selectedRows_(new CXTPReportSelectedRows(this)) {
    rows_->shownRows_ = true;
}

CXTPReportControl::~CXTPReportControl() {
    // The window goes first: it reads the data until it is gone.
    if (m_hWnd) DestroyWindow();
    DestroyDragState();
    DestroyWindowState();
    presenter_ = nullptr;
    ReleaseAllRows();
    delete selectedRows_;
    delete tree_;
    delete rows_;
    delete records_;
    delete header_;
    delete columns_;
}

// ---- Data -------------------------------------------------------------------

CXTPReportRecord* CXTPReportControl::AddRecord(CXTPReportRecord* pRecord) { return records_->Add(pRecord); }

CXTPReportColumn* CXTPReportControl::AddColumn(CXTPReportColumn* pColumn) { return columns_->Add(pColumn); }

BOOL CXTPReportControl::RemoveRecordEx(CXTPReportRecord* pRecord, BOOL, BOOL bRemoveFromParent) {
    if (!pRecord || pRecord->GetControl() != this) return FALSE;
    CXTPReportRow* row = pRecord->row_;
    if (row && row->control_ == this) {
        if (row->index_ >= 0) HideRows(row, true);
        CXTPReportRows* siblings = row->parent_ ? row->parent_->childs_ : tree_;
        std::erase(siblings->rows_, row);
        row->Detach();
        row->InternalRelease();
    }
    if (bRemoveFromParent) pRecord->records_->RemoveRecord(pRecord);
    return TRUE;
}

void CXTPReportControl::ResetContent(BOOL) {
    const bool hadSelection = selectedRows_->GetCount() > 0;
    BeginWindowReset();
    ReleaseAllRows();
    records_->RemoveAll();
    EndWindowReset();
    if (hadSelection) selectedRows_->SetChanged();
}

void CXTPReportControl::Populate() {
    // Selection, focus and anchor stay on their records; the references
    // keep those records alive while the old rows let them go.
    RecordRefs selected;
    for (auto* row : selectedRows_->rows_) selected.Add(row->record_);
    RecordRefs kept;
    kept.Add(focusedRow_ ? focusedRow_->record_ : nullptr);
    CXTPReportRecord* focusRecord = focusedRow_ ? focusedRow_->record_ : nullptr;
    kept.Add(anchorRow_ ? anchorRow_->record_ : nullptr);
    CXTPReportRecord* anchorRecord = anchorRow_ ? anchorRow_->record_ : nullptr;
    const size_t selectedBefore = selected.Records().size();

    BeginWindowReset();
    ReleaseAllRows();
    BuildRows(records_, nullptr, 0);
    SortTree(tree_);
    RebuildShownRows();
    for (auto* record : selected.Records())
        if (record->row_ && record->row_->index_ >= 0) selectedRows_->AddRow(record->row_);
    if (focusRecord && focusRecord->row_ && focusRecord->row_->index_ >= 0) focusedRow_ = focusRecord->row_;
    if (anchorRecord && anchorRecord->row_ && anchorRecord->row_->index_ >= 0) anchorRow_ = anchorRecord->row_;
    EndWindowReset();
    if (selectedRows_->rows_.size() != selectedBefore) selectedRows_->SetChanged();
}

void CXTPReportControl::ReSortRows() {
    BeginWindowReset();
    SortTree(tree_);
    RebuildShownRows();
    EndWindowReset();
}

void CXTPReportControl::SetRowsCompareFunc(XTPReportRowsCompareFunc pCompareFunc) { compareFunc_ = pCompareFunc; }

void CXTPReportControl::ExpandAll() { SetAllExpanded(true); }

void CXTPReportControl::CollapseAll() { SetAllExpanded(false); }

void CXTPReportControl::SetAllExpanded(bool bExpanded) {
    BeginWindowReset();
    std::vector<CXTPReportRow*> pending(tree_->rows_.begin(), tree_->rows_.end());
    while (!pending.empty()) {
        CXTPReportRow* row = pending.back();
        pending.pop_back();
        if (!row->HasChildren()) continue;
        row->record_->expanded_ = bExpanded;
        pending.insert(pending.end(), row->childs_->rows_.begin(), row->childs_->rows_.end());
    }
    const bool selectionChanged = RebuildShownRows();
    EndWindowReset();
    if (selectionChanged) OnSelectionChanged();
    SendMessageToParent(nullptr, nullptr, nullptr, XTP_NM_REPORT_ROWEXPANDED);
}

void CXTPReportControl::BeginUpdate() { ++updateCount_; }

void CXTPReportControl::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    resetPending_ = false;
    if (presenter_) {
        presenter_->BeginReset();
        presenter_->EndReset();
    }
}

// ---- Rows ---------------------------------------------------------------------

CXTPReportRow* CXTPReportControl::CreateRow() { return new CXTPReportRow; }

void CXTPReportControl::BuildRows(CXTPReportRecords* pRecords, CXTPReportRow* pParent, int nDepth) {
    CXTPReportRows* list = pParent ? pParent->GetChilds() : tree_;
    list->rows_.reserve(static_cast<size_t>(pRecords->GetCount()));
    for (auto* record : pRecords->records_) {
        CXTPReportRow* row = CreateRow();
        row->InitRow(this, record, pParent, nDepth);
        list->rows_.push_back(row);
        if (record->HasChildren()) BuildRows(record->children_, row, nDepth + 1);
    }
}

void CXTPReportControl::SortRows(std::vector<CXTPReportRow*>& rows) const {
    if (rows.size() < 2) return;
    if (compareFunc_) {
        std::stable_sort(rows.begin(), rows.end(), [this](CXTPReportRow* a, CXTPReportRow* b) {
            const CXTPReportRow* left = a;
            const CXTPReportRow* right = b;
            return compareFunc_(&left, &right) < 0;
        });
        return;
    }
    CXTPReportColumnOrder* order = columns_->GetSortOrder();
    if (order->GetCount() == 0) return;
    // The items of the first sort column are looked up once per row, not at
    // every comparison: on large lists the lookups dominated the sort.
    CXTPReportColumn* first = order->GetAt(0);
    struct Keyed {
        CXTPReportRow* row;
        CXTPReportRecordItem* item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (CXTPReportRow* row : rows) keyed.push_back({row, row->record_->GetItem(first)});
    auto compare = [](CXTPReportColumn* column, CXTPReportRecordItem* left, CXTPReportRecordItem* right) {
        int result = left && right ? left->Compare(column, right) : left ? 1 : right ? -1 : 0;
        return column->IsSortedIncreasing() ? result : -result;
    };
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (int result = compare(first, a.item, b.item); result != 0) return result < 0;
        for (int i = 1; i < order->GetCount(); ++i) {
            CXTPReportColumn* column = order->GetAt(i);
            const int result = compare(column, a.row->record_->GetItem(column), b.row->record_->GetItem(column));
            if (result != 0) return result < 0;
        }
        return false;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].row;
}

void CXTPReportControl::SortTree(CXTPReportRows* pRows) const {
    SortRows(pRows->rows_);
    for (auto* row : pRows->rows_)
        if (row->childs_) SortTree(row->childs_);
}

bool CXTPReportControl::RebuildShownRows() {
    std::vector<CXTPReportRow*>& shown = rows_->rows_;
    shown.clear();
    bool focusWasSelected = focusedRow_ && focusedRow_->selected_;
    // Depth first, without recursion: a deep tree must not exhaust the stack.
    std::vector<std::pair<CXTPReportRow*, bool>> pending;
    for (auto it = tree_->rows_.rbegin(); it != tree_->rows_.rend(); ++it) pending.emplace_back(*it, true);
    while (!pending.empty()) {
        auto [row, visible] = pending.back();
        pending.pop_back();
        if (visible) {
            row->index_ = static_cast<int>(shown.size());
            shown.push_back(row);
        } else {
            row->index_ = -1;
            row->selected_ = false;
        }
        if (row->childs_) {
            const bool childrenVisible = visible && row->IsExpanded();
            for (auto it = row->childs_->rows_.rbegin(); it != row->childs_->rows_.rend(); ++it)
                pending.emplace_back(*it, childrenVisible);
        }
    }
    if (anchorRow_ && anchorRow_->index_ < 0) anchorRow_ = nullptr;
    const size_t before = selectedRows_->rows_.size();
    selectedRows_->DropUnselected();
    bool changed = selectedRows_->rows_.size() != before;
    // A hidden focus goes to its nearest shown ancestor, with its selection.
    if (focusedRow_ && focusedRow_->index_ < 0) {
        CXTPReportRow* focus = focusedRow_;
        while (focus && focus->index_ < 0) focus = focus->parent_;
        focusedRow_ = focus;
        if (focus && focusWasSelected && !focus->selected_) {
            selectedRows_->AddRow(focus);
            changed = true;
        }
    }
    if (changed) selectedRows_->SetChanged();
    return changed;
}

void CXTPReportControl::ReleaseAllRows() {
    selectedRows_->ClearRows();
    focusedRow_ = nullptr;
    anchorRow_ = nullptr;
    auto rows = std::move(tree_->rows_);
    tree_->rows_.clear();
    rows_->rows_.clear();
    for (auto* row : rows) {
        row->Detach();
        row->InternalRelease();
    }
}

void CXTPReportControl::RenumberFrom(int nIndex) {
    for (int i = nIndex; i < rows_->GetCount(); ++i) rows_->rows_[static_cast<size_t>(i)]->index_ = i;
}

void CXTPReportControl::ExpandRow(CXTPReportRow* pRow, bool bExpanded, bool bAll) {
    // The record's state may have been set apart from the rows: what the
    // rows show decides what changes.
    const bool shown = pRow->index_ >= 0 && pRow->HasChildren();
    const bool childrenShown = shown && pRow->childs_->rows_.front()->index_ >= 0;
    const bool changed = bAll || pRow->IsExpanded() != bExpanded || (shown && childrenShown != bExpanded);
    if (!changed) return;
    // The row outlives a handler of the notifications below that repopulates.
    ui::ReportRowRef keep(pRow);
    const unsigned changesBefore = selectedRows_->changes_;
    if (childrenShown && (bAll || !bExpanded)) HideRows(pRow, false);
    pRow->record_->expanded_ = bExpanded;
    if (bAll) {
        std::vector<CXTPReportRow*> pending{pRow};
        while (!pending.empty()) {
            CXTPReportRow* row = pending.back();
            pending.pop_back();
            if (!row->HasChildren()) continue;
            row->record_->expanded_ = true;
            pending.insert(pending.end(), row->childs_->rows_.begin(), row->childs_->rows_.end());
        }
    }
    if (shown && bExpanded && (bAll || !childrenShown)) ShowDescendants(pRow);
    if (pRow->index_ >= 0 && presenter_ && !IsUpdating()) presenter_->RowsChanged(pRow->index_, pRow->index_);
    // Collapsing may have moved the focus and its selection to this row.
    if (selectedRows_->changes_ != changesBefore) OnSelectionChanged();
    SendMessageToParent(pRow, nullptr, nullptr, XTP_NM_REPORT_ROWEXPANDED);
}

void CXTPReportControl::HideRows(CXTPReportRow* pRow, bool bWithRow) {
    const int rowIndex = pRow->index_;
    int end = rowIndex + 1;
    while (end < rows_->GetCount() && rows_->rows_[static_cast<size_t>(end)]->depth_ > pRow->depth_) ++end;
    const int first = bWithRow ? rowIndex : rowIndex + 1;
    if (end <= first) return;
    const bool tell = presenter_ && !IsUpdating();
    if (tell) presenter_->BeginRemoveRows(first, end - first);
    if (!tell && IsUpdating()) resetPending_ = true;
    bool focusHidden = false;
    bool focusSelected = false;
    for (int i = first; i < end; ++i) {
        CXTPReportRow* row = rows_->rows_[static_cast<size_t>(i)];
        if (row == focusedRow_) {
            focusHidden = true;
            focusSelected = row->selected_;
        }
        if (row == anchorRow_) anchorRow_ = nullptr;
        row->index_ = -1;
        row->selected_ = false;
    }
    auto& shown = rows_->rows_;
    shown.erase(shown.begin() + first, shown.begin() + end);
    RenumberFrom(first);
    if (tell) presenter_->EndRemoveRows();
    const size_t before = selectedRows_->rows_.size();
    selectedRows_->DropUnselected();
    bool changed = selectedRows_->rows_.size() != before;
    if (focusHidden) {
        // A collapse gives the focus (and its selection) to the collapsed
        // row; a removed row leaves no focus.
        CXTPReportRow* focus = bWithRow ? nullptr : pRow;
        if (focus && focusSelected && !focus->selected_) {
            selectedRows_->AddRow(focus);
            changed = true;
        }
        FocusRow(focus);
    }
    if (changed) selectedRows_->Touch();
}

void CXTPReportControl::ShowDescendants(CXTPReportRow* pRow) {
    std::vector<CXTPReportRow*> added;
    std::vector<CXTPReportRow*> pending;
    for (auto it = pRow->childs_->rows_.rbegin(); it != pRow->childs_->rows_.rend(); ++it) pending.push_back(*it);
    while (!pending.empty()) {
        CXTPReportRow* row = pending.back();
        pending.pop_back();
        added.push_back(row);
        if (row->childs_ && row->IsExpanded())
            for (auto it = row->childs_->rows_.rbegin(); it != row->childs_->rows_.rend(); ++it) pending.push_back(*it);
    }
    if (added.empty()) return;
    const int first = pRow->index_ + 1;
    const bool tell = presenter_ && !IsUpdating();
    if (tell) presenter_->BeginInsertRows(first, static_cast<int>(added.size()));
    if (!tell && IsUpdating()) resetPending_ = true;
    auto& shown = rows_->rows_;
    shown.insert(shown.begin() + first, added.begin(), added.end());
    RenumberFrom(first);
    if (tell) presenter_->EndInsertRows();
}

// ---- Window bookkeeping ---------------------------------------------------------

void CXTPReportControl::BeginWindowReset() {
    if (IsUpdating())
        resetPending_ = true;
    else if (presenter_)
        presenter_->BeginReset();
}

void CXTPReportControl::EndWindowReset() {
    if (!IsUpdating() && presenter_) presenter_->EndReset();
}

void CXTPReportControl::ColumnsChanged() {
    if (presenter_ && !IsUpdating()) presenter_->ColumnsChanged();
}

// ---- Selection and focus -----------------------------------------------------

BOOL CXTPReportControl::SetFocusedRow(CXTPReportRow* pRow, BOOL bControlKey) {
    return SetFocusedRow(pRow, FALSE, bControlKey);
}

BOOL CXTPReportControl::SetFocusedRow(CXTPReportRow* pRow, BOOL bShiftKey, BOOL bControlKey) {
    if (!pRow || pRow->control_ != this || pRow->index_ < 0) return FALSE;
    const unsigned changesBefore = selectedRows_->changes_;
    if (bShiftKey && multipleSelection_) {
        CXTPReportRow* anchor = anchorRow_ ? anchorRow_ : focusedRow_ ? focusedRow_ : pRow;
        selectedRows_->SelectBlock(anchor->index_, pRow->index_, bControlKey);
        anchorRow_ = anchor;
    } else if (bControlKey && multipleSelection_) {
        anchorRow_ = pRow;
    } else {
        selectedRows_->Select(pRow);
        anchorRow_ = pRow;
    }
    FocusRow(pRow);
    if (presenter_ && !IsUpdating()) presenter_->EnsureVisible(pRow->index_);
    if (selectedRows_->changes_ != changesBefore) OnSelectionChanged();
    return TRUE;
}

void CXTPReportControl::FocusRow(CXTPReportRow* pRow) {
    if (focusedRow_ == pRow) return;
    focusedRow_ = pRow;
    if (presenter_ && !IsUpdating()) presenter_->FocusChanged();
}

void CXTPReportControl::SetMultipleSelection(BOOL bMultipleSelection) {
    multipleSelection_ = bMultipleSelection != FALSE;
    if (!multipleSelection_ && selectedRows_->GetCount() > 1)
        selectedRows_->Select(focusedRow_ && focusedRow_->selected_ ? focusedRow_ : selectedRows_->GetAt(0));
    else if (presenter_ && !IsUpdating())
        presenter_->SelectionChanged();
}

void CXTPReportControl::OnSelectionChanged() {
    selectedRows_->SetChanged(FALSE);
    SendMessageToParent(focusedRow_, nullptr, nullptr, XTP_NM_REPORT_SELCHANGED);
}

// ---- Keys ---------------------------------------------------------------------------

BOOL CXTPReportControl::OnPreviewKeyDown(UINT&, UINT, UINT) { return TRUE; }

BOOL CXTPReportControl::ProcessKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    UINT key = nChar;
    if (!OnPreviewKeyDown(key, nRepCnt, nFlags)) return TRUE;
    return Navigate(key, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
}

BOOL CXTPReportControl::Navigate(UINT nChar, BOOL bShift, BOOL bControl) {
    const int count = rows_->GetCount();
    if (count == 0) return FALSE;
    CXTPReportRow* focused = focusedRow_;
    const int index = focused ? focused->index_ : -1;
    const int page = presenter_ ? std::max(1, presenter_->RowsPerPage()) : kRowsPerPageWithoutWindow;
    int target = -1;
    switch (nChar) {
    case VK_UP:
        target = index < 0 ? 0 : std::max(0, index - 1);
        break;
    case VK_DOWN:
        target = index < 0 ? 0 : std::min(count - 1, index + 1);
        break;
    case VK_PRIOR:
        target = index < 0 ? 0 : std::max(0, index - page);
        break;
    case VK_NEXT:
        target = index < 0 ? 0 : std::min(count - 1, index + page);
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_LEFT:
        if (!focused) return FALSE;
        if (focused->HasChildren() && focused->IsExpanded()) {
            focused->SetExpanded(FALSE);
            return TRUE;
        }
        if (!focused->parent_) return TRUE;
        target = focused->parent_->index_;
        bShift = FALSE;
        bControl = FALSE;
        break;
    case VK_RIGHT:
        if (!focused) return FALSE;
        if (!focused->HasChildren()) return TRUE;
        if (!focused->IsExpanded()) {
            focused->SetExpanded(TRUE);
            return TRUE;
        }
        target = focused->childs_->rows_.front()->index_;
        bShift = FALSE;
        bControl = FALSE;
        break;
    case VK_ADD:
    case VK_SUBTRACT:
        if (!focused) return FALSE;
        if (focused->HasChildren() && focused->IsExpanded() != (nChar == VK_ADD)) focused->SetExpanded(nChar == VK_ADD);
        return TRUE;
    case VK_RETURN:
        if (!focused) return FALSE;
        if (focused->HasChildren()) focused->SetExpanded(!focused->IsExpanded());
        return TRUE;
    case VK_SPACE:
        if (!focused) return FALSE;
        if (bControl && multipleSelection_) {
            selectedRows_->Invert(focused);
            OnSelectionChanged();
            return TRUE;
        }
        target = index;
        bShift = FALSE;
        bControl = FALSE;
        break;
    default:
        return FALSE;
    }
    SetFocusedRow(rows_->GetAt(target), bShift, bControl);
    return TRUE;
}

// ---- Notifications ---------------------------------------------------------------

LRESULT CXTPReportControl::SendMessageToParent(CXTPReportRow* pRow, CXTPReportRecordItem* pItem,
                                               CXTPReportColumn* pColumn, UINT nCode, CPoint* pPoint) {
    ui::ReportRowNotify notify{};
    notify.row = pRow;
    notify.item = pItem;
    notify.column = pColumn;
    if (pPoint) notify.point = POINT{pPoint->x, pPoint->y};
    // The row stays valid while the parent handles the notification, even
    // when the handler repopulates.
    ui::ReportRowRef keep(pRow);
    return SendNotifyMessage(nCode, &notify.hdr);
}

LRESULT CXTPReportControl::SendNotifyMessage(UINT nCode, NMHDR* pNMHDR) {
    NMHDR header{};
    if (!pNMHDR) pNMHDR = &header;
    if (!m_hWnd) return 0;
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) return 0;
    pNMHDR->hwndFrom = m_hWnd;
    pNMHDR->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    pNMHDR->code = nCode;
    return ::SendMessageW(parent, WM_NOTIFY, pNMHDR->idFrom, reinterpret_cast<LPARAM>(pNMHDR));
}
