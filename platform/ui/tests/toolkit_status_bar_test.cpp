#include "toolkit_test_frame.h"
#include "ui/framework/message_map.h"
#include "ui/message_queue.h"
#include "ui/toolkit/frame_wnd.h"
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
        ASSERT_TRUE(statusBar.Create(&frame, 0x56008200, 59393));
        ASSERT_TRUE(statusBar.SetIndicators(kIndicators, 4));
    }
    QStatusBar* Bar() const { return static_cast<QStatusBar*>(statusBar.Widget()); }

    TestFrame frame;
    CXTPStatusBar statusBar;
};

TEST_F(StatusBarTest, IsTheFramesStatusBarWithTheIndicatorsPanes) {
    EXPECT_EQ(frame.Main()->statusBar(), Bar());
    EXPECT_EQ(GetParent(statusBar.Handle()), frame.Handle());
    EXPECT_EQ(statusBar.GetDlgCtrlID(), 59393);
    EXPECT_EQ(frame.GetDlgItem(59393), &statusBar);
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
    EXPECT_FALSE(second.Create(&frame, 0, 59393)) << "a status bar is a child window";
    CWnd plain;
    ASSERT_TRUE(CreatePlainWnd(plain));
    EXPECT_FALSE(second.Create(&plain, WS_CHILD, 59393)) << "a plain window has no status bar";
    EXPECT_FALSE(second.Create(nullptr, WS_CHILD, 59393)) << "no parent";
    EXPECT_FALSE(statusBar.Create(&frame, WS_CHILD, 59393)) << "created already";
    // Destroying the bar with its frame leaves no window behind.
    DestroyWindow(frame.Handle());
    EXPECT_FALSE(IsWindow(statusBar.Handle()));
}

// A status bar whose own map sees the texts first, as a derived window's
// map does.
class CountingStatusBar : public CXTPStatusBar {
public:
    std::vector<std::u16string> texts;

protected:
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam) {
        texts.emplace_back(reinterpret_cast<LPCWSTR>(lParam));
        return CXTPStatusBar::DefWindowProc(SB_SETTEXTW, wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CountingStatusBar, CXTPStatusBar)
ON_MESSAGE(SB_SETTEXTW, &CountingStatusBar::OnSetText)
END_MESSAGE_MAP()

using StatusBarInFrameTest = ui_testing::UiTest;

TEST_F(StatusBarInFrameTest, TheFramesMessageLineReachesTheBarThroughItsMap) {
    auto* frame = new CXTPFrameWnd;  // deletes itself when destroyed
    ASSERT_TRUE(frame->Create(nullptr, u"Halvaran"));
    HWND hwnd = frame->GetSafeHwnd();
    CountingStatusBar bar;
    ASSERT_TRUE(bar.Create(frame, 0x56008200, AFX_IDW_STATUS_BAR));
    ASSERT_TRUE(bar.SetIndicators(kIndicators, 4));
    EXPECT_EQ(frame->GetDlgItem(AFX_IDW_STATUS_BAR), &bar);
    EXPECT_EQ(CWnd::FromHandle(bar.GetSafeHwnd()), &bar);
    EXPECT_EQ(bar.GetParentFrame(), frame);

    frame->SetMessageText(u"Busy");
    EXPECT_EQ(bar.texts, (std::vector<std::u16string>{u"Busy"}));
    EXPECT_EQ(bar.GetPaneText(0), u"Busy");
    EXPECT_EQ(static_cast<QStatusBar*>(bar.Widget())->currentMessage(), QStringLiteral("Busy"));
    DestroyWindow(hwnd);
    EXPECT_FALSE(bar.Exists());
}

}  // namespace
