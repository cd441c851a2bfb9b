// Menu bars and menus built from HMENUs: commands posted to the target,
// WM_INITMENUPOPUP before a menu shows, and widgets kept in step with the
// data.
#include "menu_widgets.h"
#include "recording_window.h"
#include "ui/menu_resource.h"
#include "ui/menus.h"
#include "ui/message_queue.h"
#include "ui_testing/ui_test.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

class MenuWidgetsTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::RegisterMenuResource({128,
                                  {{0,
                                    u"&File",
                                    MF_POPUP,
                                    {{57600, u"&New\tCtrl+N"},
                                     {57601, u"&Open...", MF_GRAYED},
                                     ui::MenuRow::Separator(),
                                     {57665, u"E&xit"}}},
                                   {0, u"&View", MF_POPUP, {{32802, u"&Hide Files", MF_CHECKED}}}}});
        frame_.CreateTopLevel();
        menu_ = LoadMenuW(nullptr, MAKEINTRESOURCEW(128));
        bar_ = new QMenuBar(frame_.Widget());
        ui::detail::BindMenuBar(bar_, menu_, frame_.Handle());
    }
    void TearDown() override {
        DestroyMenu(menu_);
        ui::UnregisterMenuResource(128);
        UiTest::TearDown();
    }

    QMenu* BarMenu(int index) const { return bar_->actions().at(index)->menu(); }
    QAction* ActionOf(QMenu* menu, UINT id) const {
        for (QAction* action : menu->actions())
            if (ui::detail::CommandOf(action) == id) return action;
        return nullptr;
    }

    RecordingWindow frame_;
    HMENU menu_ = nullptr;
    QMenuBar* bar_ = nullptr;  // owned by the frame's widget
};

TEST_F(MenuWidgetsTest, TheBarShowsTheMenuResourceAndItsActionsPostCommands) {
    ASSERT_EQ(bar_->actions().size(), 2);
    EXPECT_EQ(bar_->actions().at(0)->text(), "&File");
    EXPECT_EQ(bar_->actions().at(1)->text(), "&View");
    QMenu* file = BarMenu(0);
    ASSERT_EQ(file->actions().size(), 4);
    QAction* newAction = file->actions().at(0);
    EXPECT_EQ(newAction->text(), "&New");
    EXPECT_EQ(newAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_FALSE(file->actions().at(1)->isEnabled());
    EXPECT_TRUE(file->actions().at(2)->isSeparator());
    QAction* hide = BarMenu(1)->actions().at(0);
    EXPECT_TRUE(hide->isCheckable());
    EXPECT_TRUE(hide->isChecked());

    newAction->trigger();
    ActionOf(file, 57665)->trigger();
    EXPECT_TRUE(frame_.Only(WM_COMMAND).empty()) << "commands are posted, not sent";
    ui::PumpWaitingMessages();
    EXPECT_EQ(frame_.Only(WM_COMMAND), (std::vector<ReceivedMessage>{{WM_COMMAND, MAKEWPARAM(57600, 0), 0},
                                                                     {WM_COMMAND, MAKEWPARAM(57665, 0), 0}}));
}

TEST_F(MenuWidgetsTest, ASubmenuAsksItsTargetBeforeItShowsAndShowsTheAnswer) {
    frame_.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_INITMENUPOPUP) {
            HMENU popup = reinterpret_cast<HMENU>(wParam);
            EnableMenuItem(popup, 57601, MF_ENABLED);
            EnableMenuItem(popup, 57600, MF_GRAYED);
            CheckMenuItem(popup, 32802, MF_UNCHECKED);
        }
        return RecordingWindow::kNotHandled;
    };
    QMenu* view = BarMenu(1);
    view->popup(QPoint(0, 0));
    EXPECT_EQ(frame_.Only(WM_INITMENUPOPUP),
              (std::vector<ReceivedMessage>{
                  {WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu_, 1)), MAKELPARAM(1, 0)}}));
    EXPECT_FALSE(view->actions().at(0)->isChecked()) << "refreshed before it shows, without waiting";
    view->hide();

    QMenu* file = BarMenu(0);
    file->popup(QPoint(0, 0));
    EXPECT_FALSE(ActionOf(file, 57600)->isEnabled());
    EXPECT_TRUE(ActionOf(file, 57601)->isEnabled());
    file->hide();
}

TEST_F(MenuWidgetsTest, TheBarFollowsChangesOfItsMenuInPlace) {
    QMenu* file = BarMenu(0);
    QAction* exit = ActionOf(file, 57665);
    ASSERT_NE(exit, nullptr);

    // A frame that is not the main window turns Exit into Close.
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STRING;
    info.wID = 57602;
    info.dwTypeData = const_cast<LPWSTR>(u"&Close");
    ASSERT_TRUE(SetMenuItemInfoW(menu_, 57665, FALSE, &info));
    ModifyMenuW(menu_, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(GetSubMenu(menu_, 0)), u"&Datei");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, 57664, u"&About");
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), u"&Help");
    ui::PumpWaitingMessages();

    EXPECT_EQ(ActionOf(file, 57602), exit) << "the same action, changed";
    EXPECT_EQ(exit->text(), "&Close");
    ASSERT_EQ(bar_->actions().size(), 3);
    EXPECT_EQ(bar_->actions().at(0)->text(), "&Datei");
    EXPECT_EQ(BarMenu(0), file) << "a popup that keeps its submenu keeps its QMenu";
    EXPECT_EQ(bar_->actions().at(2)->text(), "&Help");
    exit->trigger();
    ui::PumpWaitingMessages();
    EXPECT_EQ(frame_.Only(WM_COMMAND), (std::vector<ReceivedMessage>{{WM_COMMAND, MAKEWPARAM(57602, 0), 0}}));

    DeleteMenu(menu_, 2, MF_BYPOSITION);
    DeleteMenu(GetSubMenu(menu_, 0), 57602, MF_BYCOMMAND);
    ui::PumpWaitingMessages();
    EXPECT_EQ(bar_->actions().size(), 2);
    EXPECT_EQ(ActionOf(file, 57602), nullptr);
}

TEST_F(MenuWidgetsTest, AMenuWhoseDataIsDestroyedEmpties) {
    auto* popup = new QMenu(frame_.Widget());
    HMENU data = CreatePopupMenu();
    AppendMenuW(data, MF_STRING, 1, u"One");
    ui::detail::BindMenu(popup, data, frame_.Handle());
    EXPECT_EQ(popup->actions().size(), 1);
    DestroyMenu(data);
    ui::PumpWaitingMessages();
    EXPECT_TRUE(popup->actions().isEmpty());
}

}  // namespace
