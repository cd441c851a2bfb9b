#include "toolkit_test_frame.h"
#include "ui/toolkit/caption.h"
#include "ui/toolkit/splitter_wnd.h"
#include "ui_testing/ui_test.h"

#include <QCoreApplication>
#include <QSplitter>

namespace {

using SplitterTest = ui_testing::UiTest;

TEST_F(SplitterTest, StaticSplitterStacksItsRowsAtTheirIdealHeights) {
    TestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    CXTPSplitterWndEx splitter;
    ASSERT_TRUE(splitter.CreateStatic(&frame, 2, 1, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST));
    EXPECT_EQ(splitter.IdFromRowCol(0, 0), 59648);
    EXPECT_EQ(splitter.IdFromRowCol(1, 0), 59664);
    EXPECT_EQ(splitter.GetPane(0, 0), nullptr);

    // Child windows of the splitter become its panes in row order.
    CXTPCaption caption;
    ASSERT_TRUE(caption.Create(&splitter, u"Action Pane", 0x10000201 | WS_CHILD, RECT{0, 0, 10, 24},
                               splitter.IdFromRowCol(0, 0)));
    CWnd lower;
    ASSERT_TRUE(CreatePlainWnd(lower, &splitter));
    auto* widget = static_cast<QSplitter*>(splitter.Widget());
    EXPECT_EQ(widget->orientation(), Qt::Vertical);
    EXPECT_EQ(splitter.GetPane(0, 0), &caption);
    EXPECT_EQ(splitter.GetPane(1, 0), &lower);
    EXPECT_EQ(splitter.GetPane(2, 0), nullptr);

    frame.Main()->resize(600, 500);
    QCoreApplication::processEvents();
    splitter.SetRowInfo(0, 200, 0);
    splitter.SetColumnInfo(0, 0, 0);  // one column: nothing to set
    splitter.RecalcLayout();
    EXPECT_EQ(widget->sizes().value(0), 200);
    EXPECT_GT(widget->sizes().value(1), 0);
    splitter.SetRowInfo(0, 0, 0);
    splitter.RecalcLayout();
    EXPECT_EQ(widget->sizes().value(0), 0) << "an ideal of 0 collapses the row";
}

TEST_F(SplitterTest, RefusesShapesItCannotShow) {
    TestFrame frame;
    ASSERT_TRUE(frame.CreateFrame());
    CXTPSplitterWnd splitter;
    EXPECT_FALSE(splitter.CreateStatic(&frame, 2, 2));
    EXPECT_FALSE(splitter.CreateStatic(&frame, 0, 1));
    EXPECT_FALSE(splitter.CreateStatic(nullptr, 2, 1));
    EXPECT_TRUE(splitter.CreateStatic(&frame, 1, 3));
    EXPECT_EQ(static_cast<QSplitter*>(splitter.Widget())->orientation(), Qt::Horizontal);
}

}  // namespace
