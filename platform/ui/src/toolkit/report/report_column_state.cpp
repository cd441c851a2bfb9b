// The columns' state as a property record: one "Column" section per column
// in display order with its item index, width, auto-size, visibility,
// alignment, place in the sort order and sort direction. Loading matches the
// stored columns to the existing ones by item index (a stored column no
// longer there is skipped) and applies nothing until the whole record has
// been read, so a damaged record leaves the columns as they were.
#include "ui/toolkit/report/prop_exchange.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"

#include "ui/framework/archive.h"

#include <algorithm>
#include <vector>

namespace {

constexpr UINT kColumnStateSchema = 1;
// More columns than any view has; a larger count is a damaged record.
constexpr DWORD kMaxStoredColumns = 1024;

struct ColumnState {
    int itemIndex = 0;
    int width = 0;
    BOOL autoSize = TRUE;
    BOOL visible = TRUE;
    int alignment = 0;
    int sortPosition = -1;  // place in the sort order, -1 when not sorted by
    BOOL sortIncreasing = TRUE;
};

void ExchangeColumn(CXTPPropExchange* pPX, ColumnState& state) {
    PX_Int(pPX, u"ItemIndex", state.itemIndex);
    PX_Int(pPX, u"Width", state.width);
    PX_Bool(pPX, u"AutoSize", state.autoSize);
    PX_Bool(pPX, u"Visible", state.visible);
    PX_Int(pPX, u"Alignment", state.alignment);
    PX_Int(pPX, u"SortPosition", state.sortPosition);
    PX_Bool(pPX, u"SortIncreasing", state.sortIncreasing);
}

[[noreturn]] void Damaged() { throw new CArchiveException(CArchiveException::badIndex); }

}  // namespace

void CXTPReportColumns::DoPropExchange(CXTPPropExchange* pPX) {
    CXTPPropExchangeSection section(pPX, u"ReportColumns");
    section->ExchangeSchema(kColumnStateSchema);
    DWORD count = section->ExchangeCount(u"Count", static_cast<DWORD>(columns_.size()), kMaxStoredColumns);

    std::vector<ColumnState> states(pPX->IsStoring() ? count : 0);
    if (pPX->IsStoring()) {
        for (DWORD i = 0; i < count; ++i) {
            const CXTPReportColumn* column = columns_[i];
            ColumnState& state = states[i];
            state.itemIndex = column->GetItemIndex();
            state.width = column->GetWidth();
            state.autoSize = column->IsAutoSize();
            state.visible = column->IsVisible();
            state.alignment = column->GetAlignment();
            state.sortPosition = sortOrder_.IndexOf(column);
            state.sortIncreasing = column->IsSortedIncreasing();
        }
        for (ColumnState& state : states) {
            CXTPPropExchangeSection columnSection(section, u"Column");
            ExchangeColumn(columnSection, state);
        }
        return;
    }

    // Read everything first; the count is bounded, so is the reservation.
    states.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        ColumnState state;
        CXTPPropExchangeSection columnSection(section, u"Column");
        ExchangeColumn(columnSection, state);
        if (state.width < 0) Damaged();
        if (state.sortPosition < -1 || state.sortPosition >= static_cast<int>(count)) Damaged();
        states.push_back(state);
    }

    // Match by item index: each existing column takes the first stored state
    // of its index; stored columns that match none are ignored.
    std::vector<std::pair<CXTPReportColumn*, const ColumnState*>> matched;
    for (const ColumnState& state : states) {
        CXTPReportColumn* column = nullptr;
        for (CXTPReportColumn* candidate : columns_) {
            bool taken = std::any_of(matched.begin(), matched.end(),
                                     [candidate](const auto& entry) { return entry.first == candidate; });
            if (candidate->GetItemIndex() == state.itemIndex && !taken) {
                column = candidate;
                break;
            }
        }
        if (column) matched.emplace_back(column, &state);
    }

    for (const auto& [column, state] : matched) {
        column->SetWidth(state->width);
        column->SetAutoSize(state->autoSize);
        column->SetVisible(state->visible);
        column->SetAlignment(state->alignment);
        column->SetSortIncreasing(state->sortIncreasing);
    }

    // Display order: the stored columns in their stored order, then the
    // columns the record did not know, in their present order.
    std::vector<CXTPReportColumn*> order;
    order.reserve(columns_.size());
    for (const auto& entry : matched) order.push_back(entry.first);
    for (CXTPReportColumn* column : columns_)
        if (std::find(order.begin(), order.end(), column) == order.end()) order.push_back(column);
    for (int i = 0; i < static_cast<int>(order.size()); ++i) ChangeColumnOrder(i, order[i]);

    // Sort order: the stored sort columns by their stored places.
    std::vector<std::pair<int, CXTPReportColumn*>> sorted;
    for (const auto& [column, state] : matched)
        if (state->sortPosition >= 0) sorted.emplace_back(state->sortPosition, column);
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    sortOrder_.Clear();
    for (const auto& entry : sorted) sortOrder_.Add(entry.second);
}
