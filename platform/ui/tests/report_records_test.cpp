// Report control data: record ownership, populating rows from records and
// sorting them.
#include "report_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace report_testing;

TEST_F(ReportTest, RecordsKeepTheirListIndexAndParentAsTheyMove) {
    AddOutline(control, {"a", ".a1", ".a2", "b"});
    CXTPReportRecords* top = control.GetRecords();
    CXTPReportRecord* a = top->GetAt(0);
    CXTPReportRecord* a2 = a->GetChilds()->GetAt(1);
    CXTPReportRecord* b = top->GetAt(1);
    EXPECT_EQ(a2->GetParentRecord(), a);
    EXPECT_EQ(a2->GetIndex(), 1);
    EXPECT_EQ(a2->GetControl(), &control);
    EXPECT_TRUE(a->HasChildren());
    EXPECT_FALSE(b->HasChildren());

    // Moving a record to another list keeps its reference and renumbers both lists.
    top->InsertAt(0, a2);
    EXPECT_EQ(a2->GetParentRecord(), nullptr);
    EXPECT_EQ(a2->GetIndex(), 0);
    EXPECT_EQ(a->GetIndex(), 1);
    EXPECT_EQ(b->GetIndex(), 2);
    EXPECT_EQ(a->GetChilds()->GetCount(), 1);

    // A record cannot become its own descendant.
    a->GetChilds()->GetAt(0)->GetChilds()->Add(a);
    EXPECT_EQ(a->GetParentRecord(), nullptr);
    EXPECT_EQ(a->GetIndex(), 1);

    EXPECT_EQ(a->GetItem(control.GetColumns()->Find(1))->GetIndex(), 1);
    EXPECT_EQ(a->GetItem(5), nullptr);
}

TEST_F(ReportTest, RemovingRecordsFreesThemWithTheirChildren) {
    int destroyed = 0;
    AddOutline(control, {"a", ".a1", "..a11", "b", "c"}, &destroyed);
    CXTPReportRecords* top = control.GetRecords();
    EXPECT_EQ(top->RemoveRecord(top->GetAt(1)), 1);
    EXPECT_EQ(destroyed, 1);
    top->RemoveAt(0);
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(top->RemoveRecord(nullptr), -1);
    control.ResetContent();
    EXPECT_EQ(destroyed, 5);
    EXPECT_EQ(top->GetCount(), 0);
}

TEST_F(ReportTest, AListOfReferencesKeepsRecordsAliveAndLeavesThemInPlace) {
    int destroyed = 0;
    AddOutline(control, {"a", ".a1", "b"}, &destroyed);
    CXTPReportRecords* top = control.GetRecords();
    CXTPReportRecord* a1 = top->GetAt(0)->GetChilds()->GetAt(0);
    CXTPReportRecord* b = top->GetAt(1);
    {
        CXTPReportRecords named{CXTPReportRecords::ReferencesOnly{}};
        named.Add(b);
        named.Add(a1);
        EXPECT_EQ(named.GetCount(), 2);
        EXPECT_EQ(b->GetRecords(), top);
        EXPECT_EQ(b->GetIndex(), 1);
        EXPECT_EQ(a1->GetParentRecord(), top->GetAt(0));

        // Removed from the control, a named record stays valid until the list goes.
        top->RemoveRecord(b);
        EXPECT_EQ(destroyed, 0);
        EXPECT_EQ(b->GetRecords(), nullptr);
        EXPECT_EQ(named.RemoveRecord(a1), 1);
        EXPECT_EQ(a1->GetIndex(), 0);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(top->GetCount(), 1);
}

TEST_F(ReportTest, PopulateShowsTheRowsOfExpandedRecords) {
    AddOutline(control, {"+a", ".a1", "..a11", ".+a2", "..a21", "b", ".b1"});
    control.Populate();
    EXPECT_EQ(Shown(control), "a .a1 .a2 ..a21 b");
    CXTPReportRow* a21 = RowOf(control, "a21");
    ASSERT_NE(a21, nullptr);
    EXPECT_EQ(a21->GetTreeDepth(), 2);
    EXPECT_EQ(Caption(a21->GetParentRow()), "a2");
    EXPECT_EQ(Caption(a21->GetParentRow()->GetParentRow()), "a");
    for (int i = 0; i < control.GetRows()->GetCount(); ++i) EXPECT_EQ(control.GetRows()->GetAt(i)->GetIndex(), i);

    // Rows of collapsed records exist (children of b) but are not shown.
    CXTPReportRow* b = RowOf(control, "b");
    EXPECT_TRUE(b->HasChildren());
    EXPECT_FALSE(b->IsExpanded());
    EXPECT_EQ(b->GetChilds()->GetAt(0)->GetIndex(), -1);
    EXPECT_EQ(control.GetRows()->Find(b->GetChilds()->GetAt(0)->GetRecord()), nullptr);
    EXPECT_EQ(control.GetRows()->Find(b->GetRecord()), b);
}

TEST_F(ReportTest, PopulateKeepsExpandedStateSelectionAndFocusByRecord) {
    AddOutline(control, {"a", ".a1", "b", ".b1", ".b2"});
    control.Populate();
    RowOf(control, "b")->SetExpanded(TRUE);
    control.SetFocusedRow(RowOf(control, "b2"));
    control.GetSelectedRows()->Add(RowOf(control, "a"));
    CXTPReportRecord* b2 = RowOf(control, "b2")->GetRecord();

    control.Populate();
    EXPECT_EQ(Shown(control), "a b .b1 .b2");
    EXPECT_EQ(Selected(control), "b2 a");
    EXPECT_EQ(control.GetFocusedRow(), control.GetRows()->Find(b2));
}

// Sorting: each level by the sort columns, stable, either direction, or by
// a custom comparison.
struct SortCase {
    const char* name;
    std::vector<int> sortColumns;  // item index, negative for decreasing (~index)
    bool custom;
    const char* shown;
};

int ByLengthThenReverseName(const CXTPReportRow** left, const CXTPReportRow** right) {
    const std::string a = Caption(*left), b = Caption(*right);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return b.compare(a);
}

class ReportSortTest : public ReportTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(ReportSortTest, SortsEachLevel) {
    // Item 1 is the caption's length: "bb" and "ab" tie on it (stability).
    AddOutline(control, {"+ccc", ".z", ".yy", ".x", "bb", "+a", ".q", "ab"});
    const SortCase& c = GetParam();
    if (c.custom) control.SetRowsCompareFunc(&ByLengthThenReverseName);
    for (size_t i = 0; i < c.sortColumns.size(); ++i) {
        const int item = c.sortColumns[i] < 0 ? ~c.sortColumns[i] : c.sortColumns[i];
        CXTPReportColumn* column = control.GetColumns()->Find(item);
        if (i == 0)
            control.GetColumns()->SetSortColumn(column, c.sortColumns[i] >= 0);
        else {
            column->SetSortIncreasing(c.sortColumns[i] >= 0);
            control.GetColumns()->GetSortOrder()->Add(column);
        }
    }
    control.Populate();
    EXPECT_EQ(Shown(control), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Orders, ReportSortTest,
                         ::testing::Values(SortCase{"None", {}, false, "ccc .z .yy .x bb a .q ab"},
                                           SortCase{"Name", {0}, false, "a .q ab bb ccc .x .yy .z"},
                                           SortCase{"NameDecreasing", {~0}, false, "ccc .z .yy .x bb ab a .q"},
                                           SortCase{"LengthIsStable", {1}, false, "a .q bb ab ccc .z .x .yy"},
                                           SortCase{"LengthThenName", {1, 0}, false, "a .q ab bb ccc .x .z .yy"},
                                           SortCase{"Custom", {0}, true, "a .q bb ab ccc .z .x .yy"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, ReSortRowsKeepsTheRowsAndTheirSelection) {
    AddOutline(control, {"b", "c", "a"});
    control.Populate();
    CXTPReportRow* c = RowOf(control, "c");
    control.SetFocusedRow(c);
    control.GetColumns()->SetSortColumn(control.GetColumns()->GetAt(0), TRUE);
    control.ReSortRows();
    EXPECT_EQ(Shown(control), "a b c");
    EXPECT_EQ(RowOf(control, "c"), c);
    EXPECT_EQ(c->GetIndex(), 2);
    EXPECT_EQ(Selected(control), "c");
}

}  // namespace

namespace {

using namespace report_testing;

TEST_F(ReportTest, ColumnsKeepOrderVisibilityTreeColumnAndSortOrder) {
    CXTPReportColumns* columns = control.GetColumns();
    CXTPReportColumn* third = control.AddColumn(new CXTPReportColumn(7, u"Third", 30));
    CXTPReportColumn* name = columns->Find(0);
    EXPECT_EQ(columns->Find(7), third);
    EXPECT_EQ(columns->Find(3), nullptr);
    EXPECT_EQ(columns->GetTreeColumn(), name);  // none marked: the first visible

    columns->ChangeColumnOrder(0, third);
    EXPECT_EQ(third->GetIndex(), 0);
    EXPECT_EQ(name->GetIndex(), 1);
    third->SetVisible(FALSE);
    EXPECT_EQ(columns->GetVisibleColumnsCount(), 2);
    EXPECT_EQ(columns->GetVisibleAt(0), name);
    EXPECT_EQ(columns->GetVisibleAt(2), nullptr);

    columns->Find(1)->SetTreeColumn(TRUE);
    third->SetTreeColumn(TRUE);
    EXPECT_FALSE(columns->Find(1)->IsTreeColumn());
    EXPECT_EQ(columns->GetTreeColumn(), third);

    columns->SetSortColumn(name, FALSE);
    columns->GetSortOrder()->Add(third);
    columns->GetSortOrder()->Add(name);  // once only
    EXPECT_EQ(columns->GetSortOrder()->GetCount(), 2);
    EXPECT_TRUE(name->IsSorted());
    EXPECT_FALSE(name->IsSortedIncreasing());
    columns->Remove(third);
    EXPECT_EQ(columns->GetSortOrder()->GetCount(), 1);
    EXPECT_EQ(columns->GetCount(), 2);
}

TEST_F(ReportTest, AnItemsDoubleClickTogglesItsRow) {
    AddOutline(control, {"a", ".a1"});
    control.Populate();
    CXTPReportRow* a = RowOf(control, "a");
    XTP_REPORTRECORDITEM_CLICKARGS args;
    args.pControl = &control;
    args.pRow = a;
    args.pItem = a->GetRecord()->GetItem(0);
    args.pItem->OnDblClick(&args);
    EXPECT_EQ(Shown(control), "a .a1");
    args.pItem->OnDblClick(&args);
    EXPECT_EQ(Shown(control), "a");
}

}  // namespace
