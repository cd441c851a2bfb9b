// Rows and records a caller holds never dangle: rows are reference-counted
// and let go (detached) by Populate, ResetContent and removal; records are
// held by the rows that show them.
#include "report_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace report_testing;

TEST_F(ReportTest, AHeldRowSurvivesPopulateAndResetContentDetached) {
    int destroyed = 0;
    AddOutline(control, {"+a", ".a1", "b"}, &destroyed);
    control.Populate();
    ui::ReportRowRef a1 = RowOf(control, "a1");
    ui::ReportRowRef a = RowOf(control, "a");
    control.SetFocusedRow(a1);

    control.Populate();
    EXPECT_EQ(a1.Live(), nullptr);
    EXPECT_EQ(a1->GetControl(), nullptr);
    EXPECT_EQ(a1->GetIndex(), -1);
    EXPECT_EQ(a1->GetParentRow(), nullptr);
    EXPECT_FALSE(a1->IsSelected());
    EXPECT_FALSE(a1->IsFocused());
    EXPECT_FALSE(a->HasChildren());
    a1->SetExpanded(TRUE);
    a1->SetSelected(TRUE);
    EXPECT_EQ(control.GetSelectedRows()->GetCount(), 1);
    // The record survives and has its new row.
    CXTPReportRow* fresh = control.GetRows()->Find(a1->GetRecord());
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, a1.Get());
    EXPECT_EQ(control.GetFocusedRow(), fresh);

    control.ResetContent();
    EXPECT_EQ(control.GetRows()->GetCount(), 0);
    EXPECT_EQ(control.GetFocusedRow(), nullptr);
    EXPECT_EQ(control.GetSelectedRows()->GetCount(), 0);
    // Records still held by the rows stay readable until the rows go.
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Caption(a1.Get()), "a1");
    EXPECT_EQ(a1->GetRecord()->GetControl(), nullptr);
    EXPECT_EQ(a1->GetRecord()->GetParentRecord(), a->GetRecord());
    EXPECT_EQ(a->GetRecord()->GetRecords(), nullptr);
    a1 = ui::ReportRowRef();
    a = ui::ReportRowRef();
    EXPECT_EQ(destroyed, 3);
}

TEST_F(ReportTest, ARecordRemovedFromItsListStaysValidForItsRow) {
    int destroyed = 0;
    AddOutline(control, {"a", "b"}, &destroyed);
    control.Populate();
    CXTPReportRow* b = RowOf(control, "b");
    control.GetRecords()->RemoveAt(1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(Caption(b), "b");
    EXPECT_EQ(b->GetRecord()->GetParentRecord(), nullptr);
    control.Populate();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Shown(control), "a");
}

TEST_F(ReportTest, RemoveRecordExTakesItsRowsAtOnce) {
    int destroyed = 0;
    AddOutline(control, {"a", "+b", ".b1", ".+b2", "..b21", "c"}, &destroyed);
    RecordingPresenter presenter;
    control.AttachPresenter(&presenter);
    control.Populate();
    control.SetFocusedRow(RowOf(control, "b21"));
    control.GetSelectedRows()->Add(RowOf(control, "c"));
    ui::ReportRowRef b21 = RowOf(control, "b21");
    presenter.calls.clear();

    EXPECT_TRUE(control.RemoveRecordEx(RowOf(control, "b")->GetRecord()));
    EXPECT_EQ(Shown(control), "a c");
    EXPECT_EQ(presenter.calls, (std::vector<std::string>{"remove 1+4"}));
    EXPECT_EQ(Selected(control), "c");
    EXPECT_EQ(control.GetFocusedRow(), nullptr);
    EXPECT_EQ(RowOf(control, "c")->GetIndex(), 1);
    EXPECT_EQ(destroyed, 3);  // b, b1, b2; b21 is held by its row
    EXPECT_EQ(b21->GetControl(), nullptr);
    b21 = ui::ReportRowRef();
    EXPECT_EQ(destroyed, 4);
    EXPECT_FALSE(control.RemoveRecordEx(nullptr));
    control.DetachPresenter(&presenter);
}

TEST_F(ReportTest, AParentThatRepopulatesWhileHandlingANotificationLeavesTheRowValid) {
    AddOutline(control, {"a", ".a1", "b"});
    control.Populate();
    CreateWindows();
    std::string seen;
    onNotify = [&](ui::ReportRowNotify* notify) {
        control.Populate();
        seen = Caption(notify->row) + (notify->row->GetControl() ? " attached" : " detached");
    };
    RowOf(control, "a")->SetExpanded(TRUE);
    EXPECT_EQ(seen, "a detached");
    EXPECT_EQ(Shown(control), "a .a1 b");

    // A collapse that moves the focus sends -52, then -59 for the same row,
    // though the handler of the first let it go.
    control.SetFocusedRow(RowOf(control, "a1"));
    notifications.clear();
    RowOf(control, "a")->SetExpanded(FALSE);
    EXPECT_EQ(notifications, (std::vector<std::string>{"-52 a", "-59 a"}));
    EXPECT_EQ(seen, "a detached");
}

}  // namespace
