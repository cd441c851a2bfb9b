// Report control selection and focus: the selected rows, SetFocusedRow's
// Shift and Ctrl semantics, the selection-changed notification, and the
// keys.
#include "report_test_support.h"
#include "ui/input.h"
#include "ui_testing/hold_keys.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace report_testing;

class ReportSelectionTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        AddOutline(control, {"a", "b", "c", "d", "e"});
        control.Populate();
    }
    CXTPReportRow* Row(int index) { return control.GetRows()->GetAt(index); }
};

TEST_F(ReportSelectionTest, SelectedRowsKeepSelectionOrder) {
    CXTPReportSelectedRows* selected = control.GetSelectedRows();
    selected->Add(Row(3));
    selected->Add(Row(1));
    selected->Add(Row(3));
    EXPECT_EQ(Selected(control), "d b");
    EXPECT_TRUE(selected->Contains(Row(1)));
    EXPECT_TRUE(Row(1)->IsSelected());
    EXPECT_EQ(selected->GetAt(1), Row(1));
    selected->Invert(Row(0));
    selected->Invert(Row(3));
    EXPECT_EQ(Selected(control), "b a");
    selected->SelectBlock(4, 2);
    EXPECT_EQ(Selected(control), "e d c");
    selected->SelectBlock(0, 0, TRUE);
    EXPECT_EQ(Selected(control), "e d c a");
    selected->Remove(Row(3));
    Row(1)->SetSelected(TRUE);
    EXPECT_EQ(Selected(control), "e c a b");
    selected->Select(Row(2));
    EXPECT_EQ(Selected(control), "c");
    EXPECT_TRUE(selected->IsChanged());
    selected->Clear();
    EXPECT_EQ(selected->GetCount(), 0);
    EXPECT_EQ(selected->GetFirstSelectedRowPosition(), nullptr);
    EXPECT_FALSE(Row(2)->IsSelected());
}

TEST_F(ReportSelectionTest, SingleSelectionKeepsOneRow) {
    control.GetSelectedRows()->SelectBlock(0, 2);
    control.SetFocusedRow(Row(1), TRUE);
    control.SetMultipleSelection(FALSE);
    EXPECT_EQ(Selected(control), "b");
    control.GetSelectedRows()->Add(Row(3));
    EXPECT_EQ(Selected(control), "d");
    control.GetSelectedRows()->SelectBlock(0, 4);
    EXPECT_EQ(Selected(control), "e");
    control.SetFocusedRow(Row(0), TRUE, TRUE);
    EXPECT_EQ(Selected(control), "a");
}

// SetFocusedRow from a start where c is focused and selected alone.
struct FocusCase {
    const char* name;
    int row;
    BOOL shift, control;
    const char* selected;
};

class ReportFocusTest : public ReportSelectionTest, public ::testing::WithParamInterface<FocusCase> {};

TEST_P(ReportFocusTest, SetFocusedRowSelectsAsTheKeysSay) {
    control.SetFocusedRow(Row(2));
    control.GetSelectedRows()->Add(Row(0));
    const FocusCase& c = GetParam();
    EXPECT_TRUE(control.SetFocusedRow(Row(c.row), c.shift, c.control));
    EXPECT_EQ(control.GetFocusedRow(), Row(c.row));
    EXPECT_EQ(Selected(control), c.selected);
}

INSTANTIATE_TEST_SUITE_P(Keys, ReportFocusTest,
                         ::testing::Values(FocusCase{"Plain", 4, FALSE, FALSE, "e"},
                                           FocusCase{"ControlMovesFocusOnly", 4, FALSE, TRUE, "c a"},
                                           FocusCase{"ShiftSelectsFromAnchor", 4, TRUE, FALSE, "c d e"},
                                           FocusCase{"ShiftUpwards", 1, TRUE, FALSE, "c b"},
                                           FocusCase{"ShiftControlAdds", 4, TRUE, TRUE, "c a d e"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportSelectionTest, SelectAllByFocusingFirstThenLastWithShift) {
    control.SetFocusedRow(Row(2));
    control.SetFocusedRow(Row(0), TRUE);
    control.SetFocusedRow(Row(4), TRUE, TRUE);
    EXPECT_EQ(control.GetSelectedRows()->GetCount(), 5);
    // The anchor stays where the last move without Shift left it.
    control.SetFocusedRow(Row(1), TRUE, FALSE);
    EXPECT_EQ(Selected(control), "a b");
}

TEST_F(ReportSelectionTest, SelectionChangesByTheControlNotifyOnce) {
    CreateWindows();
    control.SetFocusedRow(Row(1));
    control.SetFocusedRow(Row(1));        // nothing changes
    control.SetFocusedRow(Row(3), TRUE);  // focus only
    control.SetFocusedRow(Row(3), TRUE, FALSE);
    control.SetFocusedRow(Row(3), TRUE, FALSE);  // the same block again
    control.GetSelectedRows()->Add(Row(0));      // code: marked only
    EXPECT_TRUE(control.GetSelectedRows()->IsChanged());
    control.SetFocusedRow(Row(4), TRUE);  // sends only what it changed itself
    EXPECT_EQ(notifications, (std::vector<std::string>{"-52 b", "-52 d"}));
    control.OnSelectionChanged();
    EXPECT_FALSE(control.GetSelectedRows()->IsChanged());
    EXPECT_EQ(notifications.back(), "-52 e");
    EXPECT_FALSE(control.SetFocusedRow(nullptr));
}

// Keys: the focus moves from b (focused, selected alone) in a tree with a
// collapsed parent; the control has no window, so a page is 10 rows.
struct KeyCase {
    const char* name;
    UINT key;
    int held;  // a key held down, 0 for none
    const char* focused;
    const char* selected;
    const char* shown;
};

class ReportKeyTest : public ReportTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ReportKeyTest, NavigatesFromTheFocusedRow) {
    AddOutline(control, {"a", "+b", ".b1", ".b2", "c", ".c1", "d"});
    control.Populate();
    control.SetFocusedRow(RowOf(control, "b"));
    const KeyCase& c = GetParam();
    {
        std::optional<ui_testing::HoldKeys> keys;
        if (c.held) keys.emplace(std::initializer_list<int>{c.held});
        EXPECT_TRUE(control.ProcessKeyDown(c.key, 1, 0));
    }
    EXPECT_EQ(Caption(control.GetFocusedRow()), c.focused);
    EXPECT_EQ(Selected(control), c.selected);
    EXPECT_EQ(Shown(control), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Keys, ReportKeyTest,
                         ::testing::Values(KeyCase{"Down", VK_DOWN, 0, "b1", "b1", "a b .b1 .b2 c d"},
                                           KeyCase{"Up", VK_UP, 0, "a", "a", "a b .b1 .b2 c d"},
                                           KeyCase{"ShiftDown", VK_DOWN, VK_SHIFT, "b1", "b b1", "a b .b1 .b2 c d"},
                                           KeyCase{"ControlDown", VK_DOWN, VK_CONTROL, "b1", "b", "a b .b1 .b2 c d"},
                                           KeyCase{"ShiftEnd", VK_END, VK_SHIFT, "d", "b b1 b2 c d", "a b .b1 .b2 c d"},
                                           KeyCase{"Home", VK_HOME, 0, "a", "a", "a b .b1 .b2 c d"},
                                           KeyCase{"PageDown", VK_NEXT, 0, "d", "d", "a b .b1 .b2 c d"},
                                           KeyCase{"PageUp", VK_PRIOR, 0, "a", "a", "a b .b1 .b2 c d"},
                                           KeyCase{"LeftCollapses", VK_LEFT, 0, "b", "b", "a b c d"},
                                           KeyCase{"RightGoesToFirstChild", VK_RIGHT, 0, "b1", "b1", "a b .b1 .b2 c d"},
                                           KeyCase{"SubtractCollapses", VK_SUBTRACT, 0, "b", "b", "a b c d"},
                                           KeyCase{"AddKeepsExpanded", VK_ADD, 0, "b", "b", "a b .b1 .b2 c d"},
                                           KeyCase{"ReturnToggles", VK_RETURN, 0, "b", "b", "a b c d"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, LeftFromAChildGoesToItsParentAndRightExpands) {
    AddOutline(control, {"+a", ".a1", "b", ".b1"});
    control.Populate();
    control.SetFocusedRow(RowOf(control, "a1"));
    EXPECT_TRUE(control.ProcessKeyDown(VK_LEFT, 1, 0));
    EXPECT_EQ(Caption(control.GetFocusedRow()), "a");
    control.SetFocusedRow(RowOf(control, "b"));
    EXPECT_TRUE(control.ProcessKeyDown(VK_RIGHT, 1, 0));
    EXPECT_EQ(Shown(control), "a .a1 b .b1");
    EXPECT_EQ(Caption(control.GetFocusedRow()), "b");
    {
        ui_testing::HoldKeys keys{VK_CONTROL};
        EXPECT_TRUE(control.ProcessKeyDown(VK_SPACE, 1, 0));
    }
    EXPECT_EQ(Selected(control), "");
    EXPECT_FALSE(control.ProcessKeyDown('Q', 1, 0));
}

// A derived control's key preview sees keys first and swallows them.
class PreviewControl : public CXTPReportControl {
public:
    std::vector<UINT> previewed;

protected:
    BOOL OnPreviewKeyDown(UINT& rnChar, UINT, UINT) override {
        previewed.push_back(rnChar);
        if (rnChar == VK_ADD) return FALSE;
        if (rnChar == VK_UP) rnChar = VK_DOWN;
        return TRUE;
    }
};

TEST(ReportKeyPreviewTest, PreviewSwallowsOrChangesKeys) {
    ui_testing::EnsureApplication();
    PreviewControl control;
    AddOutline(control, {"a", ".a1", "b", "c"});
    control.Populate();
    control.SetFocusedRow(control.GetRows()->GetAt(0));
    EXPECT_TRUE(control.ProcessKeyDown(VK_ADD, 1, 0));
    EXPECT_EQ(Shown(control), "a b c");
    EXPECT_TRUE(control.ProcessKeyDown(VK_UP, 1, 0));
    EXPECT_EQ(Caption(control.GetFocusedRow()), "b");
    EXPECT_EQ(control.previewed, (std::vector<UINT>{VK_ADD, VK_UP}));
}

}  // namespace
