#include "toolkit_test_frame.h"
#include "ui/message_queue.h"
#include "ui/toolkit/status_bar.h"
#include "ui_testing/ui_test.h"

#include <QLabel>
#include <QRegularExpression>
#include <QStatusBar>

#include <string>

namespace {

const UINT kIndicators[] = {0, 59137, 59138, 59139};

class StatusBarTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(frame.CreateFrame());
        ASSERT_TRUE(statusBar.Create(frame.Handle(), 0x56008200, 59393));
        ASSERT_TRUE(statusBar.SetIndicators(kIndicators, 4));
    }
    QStatusBar* Bar() const { return static_cast<QStatusBar*>(statusBar.Widget()); }

    TestFrame frame;
    CXTPStatusBar statusBar;
};

TEST_F(StatusBarTest, IsTheFramesStatusBarWithTheIndicatorsPanes) {
    EXPECT_EQ(frame.Main()->statusBar(), Bar());
    EXPECT_EQ(GetParent(statusBar.Handle()), frame.Handle());
    EXPECT_EQ(statusBar.GetDlgCtrlID(), 59393u);
    EXPECT_EQ(statusBar.GetCount(), 4);
    EXPECT_EQ(statusBar.CommandToIndex(59138), 2);
    EXPECT_EQ(statusBar.CommandToIndex(12345), -1);
    EXPECT_EQ(statusBar.GetPaneText(1), u"CAP");
    EXPECT_EQ(statusBar.GetPaneText(3), u"SCRL");
    // The lock-key panes are labels at the right, greyed.
    auto labels = Bar()->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^pane-")));
    ASSERT_EQ(labels.size(), 3);
    for (QLabel* label : labels) EXPECT_FALSE(label->isEnabled());
}

TEST_F(StatusBarTest, SetTextMessageWritesPanes) {
    // The framework's message line goes to pane 0, the bar's message.
    EXPECT_TRUE(SendMessageW(statusBar.Handle(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(u"Ready")));
    EXPECT_EQ(Bar()->currentMessage(), QStringLiteral("Ready"));
    EXPECT_EQ(statusBar.GetPaneText(0), u"Ready");
    // The drawing style in the high byte does not change the pane.
    EXPECT_TRUE(SendMessageW(statusBar.Handle(), SB_SETTEXTW, 0x0100 | 2, reinterpret_cast<LPARAM>(u"NUM!")));
    EXPECT_EQ(Bar()->findChild<QLabel*>(QStringLiteral("pane-2"))->text(), QStringLiteral("NUM!"));
    EXPECT_FALSE(SendMessageW(statusBar.Handle(), SB_SETTEXTW, 4, reinterpret_cast<LPARAM>(u"none")));

    EXPECT_EQ(SendMessageW(statusBar.Handle(), SB_GETTEXTLENGTHW, 0, 0), 5);
    WCHAR buffer[16] = {};
    EXPECT_EQ(SendMessageW(statusBar.Handle(), SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(buffer)), 4);
    EXPECT_EQ(std::u16string(buffer), u"NUM!");

    // A null text empties the pane.
    EXPECT_TRUE(statusBar.SetPaneText(0, nullptr));
    EXPECT_TRUE(Bar()->currentMessage().isEmpty());
}

TEST_F(StatusBarTest, RefusesWhatIsNoFrame) {
    CXTPStatusBar second;
    EXPECT_FALSE(second.Create(frame.Handle(), 0, 59393)) << "a status bar is a child window";
    RecordingWindow plain;
    ASSERT_TRUE(plain.CreateTopLevel());
    EXPECT_FALSE(second.Create(plain.Handle(), WS_CHILD, 59393)) << "a plain window has no status bar";
    EXPECT_FALSE(statusBar.Create(frame.Handle(), WS_CHILD, 59393)) << "created already";
    // Destroying the bar with its frame leaves no window behind.
    DestroyWindow(frame.Handle());
    EXPECT_FALSE(IsWindow(statusBar.Handle()));
}

}  // namespace
