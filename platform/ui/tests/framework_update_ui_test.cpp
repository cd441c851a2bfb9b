// Update-UI of a frame's menu (before it shows) and of its bars (the idle
// pass), and the status line.
#include "framework/frame_widget.h"
#include "framework/idle_monitor.h"
#include "menu_widgets.h"
#include "ui/framework/frame_wnd.h"
#include "ui/menu_resource.h"
#include "ui/menus.h"
#include "ui/message_queue.h"
#include "ui/string_table.h"
#include "ui/window_functions.h"
#include "ui_testing/ui_test.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr UINT kMenuId = 3001;
constexpr UINT kChecked = 40200;  // handled, update-UI checks it
constexpr UINT kHandled = 40201;  // handled, no update-UI
constexpr UINT kUnhandled = 40202;
constexpr UINT kRenamed = 40203;   // update-UI renames it
constexpr UINT kDisabled = 40204;  // handled, update-UI disables it

class MenuFrame : public CFrameWnd {
public:
    int idleUpdates = 0;
    int commands = 0;

protected:
    void OnCommandRange(UINT) { ++commands; }
    void OnUpdateChecked(CCmdUI* cmdUI) { cmdUI->SetCheck(1); }
    void OnUpdateRenamed(CCmdUI* cmdUI) { cmdUI->SetText(u"Renamed"); }
    void OnUpdateDisabled(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }
    LRESULT OnIdleUpdate(WPARAM wParam, LPARAM lParam) {
        ++idleUpdates;
        return CFrameWnd::OnIdleUpdateCmdUI(wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(MenuFrame, CFrameWnd)
ON_COMMAND_RANGE(kChecked, kHandled, &MenuFrame::OnCommandRange)
ON_COMMAND_RANGE(kRenamed, kDisabled, &MenuFrame::OnCommandRange)
ON_UPDATE_COMMAND_UI(kChecked, &MenuFrame::OnUpdateChecked)
ON_UPDATE_COMMAND_UI(kRenamed, &MenuFrame::OnUpdateRenamed)
ON_UPDATE_COMMAND_UI(kDisabled, &MenuFrame::OnUpdateDisabled)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &MenuFrame::OnIdleUpdate)
END_MESSAGE_MAP()

// A status bar stand-in: the child with id AFX_IDW_STATUS_BAR that takes
// SB_SETTEXTW.
class StatusLine : public CWnd {
public:
    std::vector<std::u16string> texts;

protected:
    LRESULT OnSetText(WPARAM pane, LPARAM text) {
        if (pane == 0) texts.emplace_back(reinterpret_cast<LPCWSTR>(text));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(StatusLine, CWnd)
ON_MESSAGE(SB_SETTEXTW, &StatusLine::OnSetText)
END_MESSAGE_MAP()

class FrameworkUpdateUITest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::RegisterMenuResource({kMenuId,
                                  {{0,
                                    u"&File",
                                    MF_POPUP,
                                    {{kChecked, u"&Checked"},
                                     ui::MenuRow::Separator(),
                                     {kHandled, u"&Handled\tCtrl+H"},
                                     {kUnhandled, u"&Unhandled"},
                                     {kRenamed, u"Old name"},
                                     {kDisabled, u"&Disabled"}}}}});
        ui::RegisterStrings({{kMenuId, u"Menu Frame\n\nMenu Frame"}, {kHandled, u"Runs the handled command\nHandled"}});
        frame = new MenuFrame;
        ASSERT_TRUE(frame->LoadFrame(kMenuId));
        frame->ShowWindow(SW_SHOW);
    }
    void TearDown() override {
        if (frame && IsWindow(frame->m_hWnd)) frame->DestroyWindow();
        ui::PumpWaitingMessages();
        UiTest::TearDown();
    }
    QMenu* FileMenu() {
        QMenuBar* bar = ui::detail::MainWindowOf(*frame)->menuBar();
        return bar->actions().value(0) ? bar->actions().value(0)->menu() : nullptr;
    }
    QAction* ActionOf(QMenu* menu, UINT id) {
        for (QAction* action : menu->actions())
            if (ui::detail::CommandOf(action) == id) return action;
        return nullptr;
    }

    MenuFrame* frame = nullptr;
};

TEST_F(FrameworkUpdateUITest, AMenuAboutToShowIsUpdatedThroughTheFramesRouting) {
    EXPECT_EQ(frame->GetTitle(), CString(u"Menu Frame"));
    QMenu* file = FileMenu();
    ASSERT_NE(file, nullptr);
    Q_EMIT file->aboutToShow();  // what Qt emits before the menu pops up

    HMENU sub = GetSubMenu(frame->GetMenu(), 0);
    EXPECT_TRUE(GetMenuState(sub, kChecked, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(sub, kHandled, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(sub, kUnhandled, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(sub, kDisabled, MF_BYCOMMAND) & MF_GRAYED);
    WCHAR text[32] = {};
    GetMenuStringW(sub, kRenamed, text, 32, MF_BYCOMMAND);
    EXPECT_EQ(std::u16string(text), u"Renamed");

    // The widget shows the updated data.
    ASSERT_NE(ActionOf(file, kChecked), nullptr);
    EXPECT_TRUE(ActionOf(file, kChecked)->isChecked());
    EXPECT_TRUE(ActionOf(file, kHandled)->isEnabled());
    EXPECT_FALSE(ActionOf(file, kUnhandled)->isEnabled());
    EXPECT_FALSE(ActionOf(file, kDisabled)->isEnabled());
    EXPECT_EQ(ActionOf(file, kRenamed)->text(), QString("Renamed"));

    // A triggered item posts its command, which the frame runs.
    ActionOf(file, kHandled)->trigger();
    ui::PumpWaitingMessages();
    EXPECT_EQ(frame->commands, 1);
}

TEST_F(FrameworkUpdateUITest, TheStatusLineShowsHoveredTipsAndReadyWhenIdle) {
    StatusLine status;
    ASSERT_TRUE(status.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, frame, AFX_IDW_STATUS_BAR));
    SendMessageW(frame->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    QStatusTipEvent hover(QString("Runs the handled command"));
    QCoreApplication::sendEvent(frame->Widget(), &hover);
    QStatusTipEvent leave((QString()));
    QCoreApplication::sendEvent(frame->Widget(), &leave);
    SendMessageW(frame->m_hWnd, WM_SETMESSAGESTRING, kHandled, 0);
    EXPECT_EQ(status.texts, (std::vector<std::u16string>{u"Ready", u"Runs the handled command", u"Ready",
                                                         u"Runs the handled command"}));
    status.DestroyWindow();
}

// Runs Qt's loop for `ticks` wake-ups of a 5 ms timer, so the loop waits
// (and would run an idle pass) between them; ends early once `until` holds.
void RunLoop(int ticks, const std::function<bool()>& until = {}) {
    QEventLoop loop;
    QTimer timer;
    int count = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++count >= ticks || (until && until())) loop.quit();
    });
    timer.start(5);
    loop.exec();
}

TEST_F(FrameworkUpdateUITest, TheIdlePassRunsOnceAfterSomethingHappenedAndNeverWhileNothingDoes) {
    ui::detail::EnsureIdleMonitor();
    // Let whatever happened before settle.
    RunLoop(60);
    int passes = ui::detail::IdlePassCount();
    int updates = frame->idleUpdates;

    RunLoop(20);
    EXPECT_EQ(ui::detail::IdlePassCount(), passes) << "an idle loop ran an idle pass";
    EXPECT_EQ(frame->idleUpdates, updates);

    PostMessageW(frame->m_hWnd, WM_COMMAND, MAKEWPARAM(kHandled, 0), 0);
    RunLoop(200, [&] { return ui::detail::IdlePassCount() > passes; });
    EXPECT_EQ(frame->commands, 1);
    EXPECT_EQ(ui::detail::IdlePassCount(), passes + 1);
    EXPECT_EQ(frame->idleUpdates, updates + 1);

    RunLoop(20);
    EXPECT_EQ(ui::detail::IdlePassCount(), passes + 1) << "the pass repeated without anything new";
}

}  // namespace
