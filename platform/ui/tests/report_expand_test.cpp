// Report control expand and collapse: child rows enter and leave the shown
// rows as one range, the window is reset once per Populate or update, and
// the focus and selection of rows that disappear move to the collapsed row.
#include "report_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace report_testing;

class ReportExpandTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        AddOutline(control, {"a", ".a1", "..a11", ".+a2", "..a21", "..a22", "b"});
        control.AttachPresenter(&presenter);
        control.Populate();
    }
    void TearDown() override {
        control.DetachPresenter(&presenter);
        ReportTest::TearDown();
    }
    RecordingPresenter presenter;
};

// These tests have no window: the recording presenter stands for it.
TEST_F(ReportExpandTest, ExpandInsertsAndCollapseRemovesOneRange) {
    presenter.calls.clear();
    CXTPReportRow* a = RowOf(control, "a");
    a->SetExpanded(TRUE);
    EXPECT_EQ(Shown(control), "a .a1 .a2 ..a21 ..a22 b");
    EXPECT_EQ(RowOf(control, "b")->GetIndex(), 5);
    a->SetExpanded(TRUE);  // no change, no notification
    a->Collapse();
    EXPECT_EQ(Shown(control), "a b");
    EXPECT_EQ(RowOf(control, "b")->GetIndex(), 1);
    EXPECT_EQ(presenter.calls, (std::vector<std::string>{"insert 1+4", "remove 1+4"}));
    // The records keep the state for the next Populate.
    EXPECT_FALSE(a->GetRecord()->IsExpanded());
    EXPECT_TRUE(a->GetChilds()->GetAt(1)->GetRecord()->IsExpanded());
}

TEST_F(ReportExpandTest, CollapseMovesAHiddenFocusAndItsSelectionToTheRow) {
    CreateWindows();
    CXTPReportRow* a = RowOf(control, "a");
    a->SetExpanded(TRUE);
    control.SetFocusedRow(RowOf(control, "a21"));
    control.GetSelectedRows()->Add(RowOf(control, "b"));
    notifications.clear();
    RowOf(control, "a2")->SetExpanded(FALSE);
    EXPECT_EQ(Caption(control.GetFocusedRow()), "a2");
    EXPECT_EQ(Selected(control), "b a2");
    EXPECT_EQ(notifications, (std::vector<std::string>{"-52 a2", "-59 a2"}));

    // Rows that go without the focus just leave the selection (-52 too).
    control.SetFocusedRow(RowOf(control, "b"), TRUE);
    control.GetSelectedRows()->Add(RowOf(control, "a1"));
    notifications.clear();
    a->Collapse();
    EXPECT_EQ(Selected(control), "b");
    EXPECT_EQ(Caption(control.GetFocusedRow()), "b");
    control.ExpandAll();
    EXPECT_EQ(notifications, (std::vector<std::string>{"-52 b", "-59 a", "-59 -"}));
}

TEST_F(ReportExpandTest, ExpandAllAndUpdatesResetTheWindowOnce) {
    presenter.calls.clear();
    control.ExpandAll();
    EXPECT_EQ(Shown(control), "a .a1 ..a11 .a2 ..a21 ..a22 b");
    control.CollapseAll();
    EXPECT_EQ(Shown(control), "a b");
    RowOf(control, "a")->ExpandAll();
    EXPECT_EQ(Shown(control), "a .a1 ..a11 .a2 ..a21 ..a22 b");
    EXPECT_EQ(presenter.calls, (std::vector<std::string>{"reset", "reset", "insert 1+5"}));
}

TEST_F(ReportExpandTest, BeginUpdateHoldsEveryChangeForOneResetAtTheEnd) {
    presenter.calls.clear();
    control.BeginUpdate();
    control.BeginUpdate();
    RowOf(control, "a")->SetExpanded(TRUE);
    control.GetColumns()->GetAt(0)->SetWidth(40);
    control.Populate();
    control.EndUpdate();
    EXPECT_TRUE(presenter.calls.empty());
    control.EndUpdate();
    EXPECT_EQ(presenter.calls, (std::vector<std::string>{"reset"}));
    presenter.calls.clear();
    control.Populate();
    control.GetColumns()->GetAt(1)->SetVisible(FALSE);
    EXPECT_EQ(presenter.calls, (std::vector<std::string>{"reset", "columns"}));
}

}  // namespace
