// Shared pieces of the report control's tests: text records built from a
// small outline, a control whose window's presenter is a recorder, and a
// parent window that records the control's notifications.
#pragma once

#include "../src/toolkit/report/report_presenter.h"
#include "recording_window.h"
#include "ui/notify_header.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item_text.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"
#include "ui/window_styles.h"
#include "ui_testing/ui_test.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace report_testing {

// A record with one text item per column; counts its destruction.
class TextRecord : public CXTPReportRecord {
public:
    explicit TextRecord(std::vector<std::u16string> texts, int* destroyed = nullptr) : destroyed_(destroyed) {
        for (const auto& text : texts) AddItem(new CXTPReportRecordItemText(text.c_str()));
    }

protected:
    ~TextRecord() override {
        if (destroyed_) ++*destroyed_;
    }

private:
    int* destroyed_;
};

inline std::u16string U16(const std::string& text) { return std::u16string(text.begin(), text.end()); }
inline std::string U8(const CString& text) {
    std::u16string wide(text.GetString());
    return std::string(wide.begin(), wide.end());
}

// The caption of a row's first item.
inline std::string Caption(const CXTPReportRow* row) {
    return row && row->GetRecord() && row->GetRecord()->GetItem(0)
               ? U8(row->GetRecord()->GetItem(0)->GetCaption(nullptr))
               : std::string("-");
}

// The shown rows as "caption" each, children indented by "." per level.
inline std::string Shown(CXTPReportControl& control) {
    std::string out;
    for (int i = 0; i < control.GetRows()->GetCount(); ++i) {
        const CXTPReportRow* row = control.GetRows()->GetAt(i);
        if (!out.empty()) out += " ";
        out += std::string(static_cast<size_t>(row->GetTreeDepth()), '.') + Caption(row);
    }
    return out;
}

// The selected rows' captions in selection order.
inline std::string Selected(CXTPReportControl& control) {
    std::string out;
    CXTPReportSelectedRows* selected = control.GetSelectedRows();
    for (POSITION pos = selected->GetFirstSelectedRowPosition(); pos;) {
        if (!out.empty()) out += " ";
        out += Caption(selected->GetNextSelectedRow(pos));
    }
    return out;
}

// What the control told its window, one word per call.
class RecordingPresenter : public ui::detail::ReportPresenter {
public:
    std::vector<std::string> calls;

    void BeginReset() override { calls.push_back("reset"); }
    void EndReset() override {}
    void BeginInsertRows(int first, int count) override {
        calls.push_back("insert " + std::to_string(first) + "+" + std::to_string(count));
    }
    void EndInsertRows() override {}
    void BeginRemoveRows(int first, int count) override {
        calls.push_back("remove " + std::to_string(first) + "+" + std::to_string(count));
    }
    void EndRemoveRows() override {}
    void RowsChanged(int, int) override {}
    void ColumnsChanged() override { calls.push_back("columns"); }
    void SelectionChanged() override {}
    void FocusChanged() override {}
    void Redraw() override {}
    void EnsureVisible(int) override {}
    int HitTestRow(CPoint) const override { return -1; }
    CRect RowRect(int) const override { return CRect(); }
    CRect ItemRect(int, int) const override { return CRect(); }
    CRect ExpandButtonRect(int) const override { return CRect(); }
    CRect ColumnRect(int) const override { return CRect(); }
    CRect HeaderRect() const override { return CRect(); }
    CRect ReportRect() const override { return CRect(); }
    int TopRowIndex() const override { return 0; }
    int RowsPerPage() const override { return 3; }
};

class TestControl : public CXTPReportControl {
public:
    // A window made later puts its own presenter in place of this one.
    void AttachPresenter(ui::detail::ReportPresenter* presenter) { presenter_ = presenter; }
    void DetachPresenter(ui::detail::ReportPresenter* presenter) {
        if (presenter_ == presenter) presenter_ = nullptr;
    }
    using CXTPReportControl::CreateRow;
};

// Adds records for an outline: each entry is "caption" with its depth in
// leading dots ("a", ".a1", "..a11", "b"); "+" after the dots expands it.
inline void AddOutline(CXTPReportControl& control, const std::vector<std::string>& outline, int* destroyed = nullptr) {
    std::vector<CXTPReportRecord*> parents;
    for (const auto& line : outline) {
        size_t depth = 0;
        while (line[depth] == '.') ++depth;
        std::string caption = line.substr(depth);
        const bool expanded = !caption.empty() && caption[0] == '+';
        if (expanded) caption = caption.substr(1);
        auto* record = new TextRecord({U16(caption), U16(std::to_string(caption.size()))}, destroyed);
        record->SetExpanded(expanded);
        parents.resize(depth);
        if (depth == 0)
            control.AddRecord(record);
        else
            parents.back()->GetChilds()->Add(record);
        parents.push_back(record);
    }
}

// The row showing the caption, null when none is shown.
inline CXTPReportRow* RowOf(CXTPReportControl& control, const std::string& caption) {
    for (int i = 0; i < control.GetRows()->GetCount(); ++i)
        if (Caption(control.GetRows()->GetAt(i)) == caption) return control.GetRows()->GetAt(i);
    return nullptr;
}

// A control with two text columns; optionally a window under a recording
// parent, so notifications arrive.
class ReportTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        ui_testing::UiTest::SetUp();
        control.AddColumn(new CXTPReportColumn(0, u"Name", 100));
        control.AddColumn(new CXTPReportColumn(1, u"Length", 50));
    }

    void CreateWindows() {
        parent.CreateTopLevel();
        ASSERT_TRUE(control.CWnd::Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 200, 100},
                                         CWnd::FromHandle(parent.Handle()), 100));
        parent.onMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message != WM_NOTIFY) return RecordingWindow::kNotHandled;
            // The record lives only while the message is handled.
            auto* notify = reinterpret_cast<ui::ReportRowNotify*>(lParam);
            EXPECT_EQ(notify->hdr.hwndFrom, control.GetSafeHwnd());
            EXPECT_EQ(notify->hdr.idFrom, 100u);
            EXPECT_EQ(wParam, 100u);
            notifications.push_back(std::to_string(static_cast<int>(notify->hdr.code)) + " " + Caption(notify->row));
            if (onNotify) onNotify(notify);
            return 0;
        };
    }

    RecordingWindow parent;
    // Each notification the parent got: its code and the row's caption.
    std::vector<std::string> notifications;
    std::function<void(ui::ReportRowNotify*)> onNotify;
    TestControl control;
};

}  // namespace report_testing
