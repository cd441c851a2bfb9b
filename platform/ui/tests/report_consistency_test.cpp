// The report control's rows, selection and focus stay consistent with the
// records through a long mixed run of expands, collapses, removals,
// additions, populates and selection changes.
#include "report_test_support.h"
#include "ui/input.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

using namespace report_testing;

// The records that should show, in order: each record, then the children
// of an expanded one.
void Flatten(CXTPReportRecords* records, std::vector<CXTPReportRecord*>& out) {
    for (int i = 0; i < records->GetCount(); ++i) {
        CXTPReportRecord* record = records->GetAt(i);
        out.push_back(record);
        if (record->IsExpanded() && record->HasChildren()) Flatten(record->GetChilds(), out);
    }
}

void ExpectConsistent(CXTPReportControl& control, int step) {
    SCOPED_TRACE("step " + std::to_string(step));
    std::vector<CXTPReportRecord*> expected;
    Flatten(control.GetRecords(), expected);
    CXTPReportRows* rows = control.GetRows();
    ASSERT_EQ(rows->GetCount(), static_cast<int>(expected.size()));
    int selectedFlags = 0;
    for (int i = 0; i < rows->GetCount(); ++i) {
        CXTPReportRow* row = rows->GetAt(i);
        ASSERT_EQ(row->GetRecord(), expected[static_cast<size_t>(i)]);
        ASSERT_EQ(row->GetIndex(), i);
        ASSERT_EQ(row->GetControl(), &control);
        ASSERT_EQ(rows->Find(row->GetRecord()), row);
        CXTPReportRow* parent = row->GetParentRow();
        ASSERT_EQ(parent ? parent->GetRecord() : nullptr, row->GetRecord()->GetParentRecord());
        ASSERT_EQ(row->GetTreeDepth(), parent ? parent->GetTreeDepth() + 1 : 0);
        if (row->IsSelected()) ++selectedFlags;
    }
    CXTPReportSelectedRows* selected = control.GetSelectedRows();
    ASSERT_EQ(selected->GetCount(), selectedFlags);
    std::set<CXTPReportRow*> unique;
    for (int i = 0; i < selected->GetCount(); ++i) {
        CXTPReportRow* row = selected->GetAt(i);
        ASSERT_TRUE(unique.insert(row).second);
        ASSERT_EQ(rows->GetAt(row->GetIndex()), row);
    }
    if (CXTPReportRow* focused = control.GetFocusedRow()) {
        ASSERT_EQ(rows->GetAt(focused->GetIndex()), focused);
    }
}

TEST_F(ReportTest, RowsSelectionAndFocusFollowTheRecordsThroughAMixedRun) {
    std::mt19937 random(20261211);
    auto pick = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    int next = 0;
    auto addTree = [&](CXTPReportRecords* into, int depth) {
        auto* record = new TextRecord({U16("r" + std::to_string(next++)), u"x"});
        into->Add(record);
        for (int i = 0; depth < 3 && i < pick(4); ++i)
            record->GetChilds()->Add(new TextRecord({U16("r" + std::to_string(next++)), u"y"}));
        record->SetExpanded(pick(2));
    };
    for (int i = 0; i < 12; ++i) addTree(control.GetRecords(), 0);
    control.Populate();
    ExpectConsistent(control, -1);

    std::vector<ui::ReportRowRef> held;
    for (int step = 0; step < 600; ++step) {
        CXTPReportRows* rows = control.GetRows();
        CXTPReportRow* row = rows->GetCount() ? rows->GetAt(pick(rows->GetCount())) : nullptr;
        switch (pick(10)) {
        case 0:
            if (row) row->SetExpanded(!row->IsExpanded());
            break;
        case 1:
            if (row) row->ExpandAll();
            break;
        case 2:
            if (row && pick(3) == 0) control.RemoveRecordEx(row->GetRecord());
            break;
        case 3:
            addTree(row && pick(2) ? row->GetRecord()->GetChilds() : control.GetRecords(), 1);
            control.Populate();
            break;
        case 4:
            if (row) control.SetFocusedRow(row, pick(2), pick(2));
            break;
        case 5:
            if (row) control.GetSelectedRows()->Invert(row);
            break;
        case 6:
            if (rows->GetCount())
                control.GetSelectedRows()->SelectBlock(pick(rows->GetCount()), pick(rows->GetCount()), pick(2));
            break;
        case 7:
            control.ProcessKeyDown(std::vector<UINT>{VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_NEXT, VK_END,
                                                     VK_SUBTRACT}[static_cast<size_t>(pick(7))],
                                   1, 0);
            break;
        case 8:
            if (row) held.push_back(row);
            if (held.size() > 8) held.erase(held.begin());
            break;
        case 9:
            if (pick(4) == 0)
                control.CollapseAll();
            else
                control.Populate();
            break;
        }
        ExpectConsistent(control, step);
        if (::testing::Test::HasFatalFailure()) return;
    }
    // The held rows are detached or still the control's, and readable.
    for (auto& row : held) {
        EXPECT_TRUE(row->GetControl() == nullptr || control.GetRows()->GetAt(row->GetIndex()) == row.Get());
        EXPECT_FALSE(Caption(row.Get()).empty());
    }
}

}  // namespace
