// The columns' state saved to a file and loaded back as a view does it:
// CXTPReportColumns::DoPropExchange through CXTPPropExchangeArchive over a
// CArchive over a CFile.
#include "archive_file_fixture.h"
#include "recording_window.h"

#include "ui/toolkit/report/prop_exchange.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_header.h"
#include "ui/window_styles.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// What the state holds of one column, in display order.
struct Shown {
    int itemIndex;
    int width;
    BOOL autoSize;
    BOOL visible;
    int alignment;
    int sortPosition;
    BOOL sortIncreasing;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "{item " << s.itemIndex << ", width " << s.width << ", auto " << s.autoSize << ", visible "
               << s.visible << ", align " << s.alignment << ", sort " << s.sortPosition << "/" << s.sortIncreasing
               << "}";
}

std::vector<Shown> StateOf(CXTPReportColumns& columns) {
    std::vector<Shown> shown;
    for (int i = 0; i < columns.GetCount(); ++i) {
        CXTPReportColumn* column = columns.GetAt(i);
        shown.push_back({column->GetItemIndex(), column->GetWidth(), column->IsAutoSize(), column->IsVisible(),
                         column->GetAlignment(), columns.GetSortOrder()->IndexOf(column),
                         column->IsSortedIncreasing()});
    }
    return shown;
}

// Columns as a view creates them: item indexes in order, default state.
void Create(CXTPReportColumns& columns, const std::vector<int>& itemIndexes) {
    for (int itemIndex : itemIndexes)
        columns.Add(new CXTPReportColumn(itemIndex, (u"Column " + std::u16string(1, u'A' + itemIndex)).c_str(), 100));
}

class ReportColumnStateTest : public ArchiveFileTest {
protected:
    void Save(const std::u16string& path, CXTPReportColumns& columns) {
        Store(path, [&](CArchive& ar) {
            CXTPPropExchangeArchive px(ar);
            columns.DoPropExchange(&px);
        });
    }
    int Restore(const std::u16string& path, CXTPReportColumns& columns) {
        return Load(path, [&](CArchive& ar) {
            CXTPPropExchangeArchive px(ar);
            columns.DoPropExchange(&px);
        });
    }

    // Four columns changed every way the user can change them.
    void Customise(CXTPReportColumns& columns) {
        columns.Find(0)->SetWidth(240);
        columns.Find(1)->SetVisible(FALSE);
        columns.Find(1)->SetAutoSize(FALSE);
        columns.Find(2)->SetAlignment(DT_RIGHT);
        columns.Find(3)->SetAlignment(DT_CENTER);
        columns.Find(3)->SetWidth(35);
        columns.ChangeColumnOrder(0, columns.Find(3));
        columns.SetSortColumn(columns.Find(2), FALSE);
        columns.Find(0)->SetSortIncreasing(TRUE);
        columns.GetSortOrder()->Add(columns.Find(0));
    }
};

TEST_F(ReportColumnStateTest, AStateSavedToAFileComesBackIntoFreshColumns) {
    std::u16string path = PathOf("ActionPaneColumnStates.dat");
    CXTPReportColumns saved;
    Create(saved, {0, 1, 2, 3});
    Customise(saved);
    Save(path, saved);

    CXTPReportColumns loaded;
    Create(loaded, {0, 1, 2, 3});
    ASSERT_EQ(Restore(path, loaded), CArchiveException::none);
    EXPECT_EQ(StateOf(loaded), StateOf(saved));
    EXPECT_EQ(loaded.GetAt(0)->GetItemIndex(), 3);
    ASSERT_EQ(loaded.GetSortOrder()->GetCount(), 2);
    EXPECT_EQ(loaded.GetSortOrder()->GetAt(0), loaded.Find(2));
    EXPECT_FALSE(loaded.Find(2)->IsSortedIncreasing());

    // Saved again over the same file, which is not truncated: the shorter
    // record that now begins the file is what loads.
    CXTPReportColumns fewer;
    Create(fewer, {2});
    fewer.Find(2)->SetWidth(77);
    Save(path, fewer);
    CXTPReportColumns again;
    Create(again, {0, 1, 2, 3});
    ASSERT_EQ(Restore(path, again), CArchiveException::none);
    EXPECT_EQ(again.GetAt(0)->GetItemIndex(), 2);
    EXPECT_EQ(again.Find(2)->GetWidth(), 77);
    EXPECT_EQ(again.GetSortOrder()->GetCount(), 0);
}

TEST_F(ReportColumnStateTest, StoredColumnsMatchByItemIndexAndUnknownOnesAreIgnored) {
    std::u16string path = PathOf("columns.dat");
    CXTPReportColumns saved;
    Create(saved, {0, 7, 1});  // 7: a column this program no longer has
    saved.Find(7)->SetWidth(500);
    saved.Find(1)->SetWidth(60);
    saved.ChangeColumnOrder(0, saved.Find(1));
    saved.SetSortColumn(saved.Find(7), TRUE);
    Save(path, saved);

    CXTPReportColumns loaded;
    Create(loaded, {0, 1, 2});  // 2: a column the file does not know
    loaded.Find(2)->SetWidth(42);
    ASSERT_EQ(Restore(path, loaded), CArchiveException::none);
    const std::vector<Shown> expected = {
        {1, 60, TRUE, TRUE, DT_LEFT, -1, TRUE},
        {0, 100, TRUE, TRUE, DT_LEFT, -1, TRUE},
        {2, 42, TRUE, TRUE, DT_LEFT, -1, TRUE},  // kept, after the known ones
    };
    EXPECT_EQ(StateOf(loaded), expected);
}

TEST_F(ReportColumnStateTest, ATruncatedForeignOrDamagedFileThrowsAndChangesNoColumn) {
    std::u16string path = PathOf("columns.dat");
    CXTPReportColumns saved;
    Create(saved, {0, 1, 2, 3});
    Customise(saved);
    Save(path, saved);
    const std::string whole = BytesOf(path);

    // A damaged record that is whole: the second column's width (the LONG
    // after its name) made negative.
    std::string negativeWidth = whole;
    const std::string widthName = std::string("W\0i\0d\0t\0h\0", 10);
    std::size_t first = negativeWidth.find(widthName);
    std::size_t second = negativeWidth.find(widthName, first + 1);
    ASSERT_NE(second, std::string::npos);
    negativeWidth.replace(second + widthName.size(), 4, std::string("\xFF\xFF\xFF\xFF", 4));

    std::vector<std::pair<std::string, std::string>> files = {
        {"foreign", "[Columns]\r\nName=240\r\n"},
        {"empty", ""},
        {"negative width", negativeWidth},
    };
    for (std::size_t length = 0; length < whole.size(); length += 7)
        files.emplace_back("cut at " + std::to_string(length), whole.substr(0, length));

    for (const auto& [what, bytes] : files) {
        WriteBytes(path, bytes);
        CXTPReportColumns columns;
        Create(columns, {0, 1, 2, 3});
        columns.Find(1)->SetWidth(33);
        columns.SetSortColumn(columns.Find(3), TRUE);
        const std::vector<Shown> before = StateOf(columns);
        EXPECT_NE(Restore(path, columns), CArchiveException::none) << what;
        EXPECT_EQ(StateOf(columns), before) << what;
    }
}

TEST_F(ReportColumnStateTest, AStateLoadedIntoAShownControlReachesItsHeader) {
    std::u16string path = PathOf("columns.dat");
    CXTPReportColumns saved;
    Create(saved, {0, 1, 2});
    for (int i = 0; i < saved.GetCount(); ++i) saved.GetAt(i)->SetAutoSize(FALSE);
    saved.Find(0)->SetWidth(150);
    saved.Find(1)->SetVisible(FALSE);
    saved.ChangeColumnOrder(0, saved.Find(2));
    Save(path, saved);

    RecordingWindow parent;
    HWND top = parent.Create(nullptr, u"ReportHost", RECT{0, 0, 600, 300}, WS_VISIBLE);
    CXTPReportControl control;
    control.GetReportHeader()->SetAutoColumnSizing(FALSE);
    Create(*control.GetColumns(), {0, 1, 2});
    ASSERT_TRUE(control.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 600, 300}, CWnd::FromHandle(top), 100));
    ASSERT_EQ(Restore(path, *control.GetColumns()), CArchiveException::none);

    CXTPReportColumns* columns = control.GetColumns();
    CRect name = control.GetColumnRect(columns->Find(0));
    CRect type = control.GetColumnRect(columns->Find(2));
    EXPECT_EQ(name.Width(), 150);
    EXPECT_TRUE(control.GetColumnRect(columns->Find(1)).IsRectEmpty()) << "hidden";
    EXPECT_LT(type.left, name.left) << "item 2 moved to the front";
}

}  // namespace
