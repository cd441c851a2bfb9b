// Popup menus: TrackPopupMenu asks the prompter, scripted in tests and
// shown as a QMenu by the default prompter.
#include "recording_window.h"
#include "ui/menus.h"
#include "ui/message_queue.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

class MenuPopupTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        owner_.CreateTopLevel();
        menu_ = CreatePopupMenu();
        AppendMenuW(menu_, MF_STRING, 32928, u"Refresh");
        AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu_, MF_STRING | MF_GRAYED, 32929, u"Delete");
        newMenu_ = CreatePopupMenu();
        AppendMenuW(newMenu_, MF_STRING, 32775, u"Item Folder");
        AppendMenuW(newMenu_, MF_STRING, 32776, u"Item");
        AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(newMenu_), u"New");
    }
    void TearDown() override {
        DestroyMenu(menu_);
        UiTest::TearDown();
    }

    std::vector<ReceivedMessage> InitPopups() const { return owner_.Only(WM_INITMENUPOPUP); }

    RecordingWindow owner_;
    HMENU menu_ = nullptr;
    HMENU newMenu_ = nullptr;
};

TEST_F(MenuPopupTest, AScriptedChoiceIsReturnedAfterTheOwnerPreparedTheMenuAndItsSubmenu) {
    ui_testing::ScriptedPrompter prompter;
    prompter.ChooseMenuCommand(32776, [&](const ui::PopupMenuQuestion& question) {
        EXPECT_EQ(question.menu, menu_);
        EXPECT_EQ(question.owner, owner_.Handle());
        EXPECT_EQ(question.point.x, 40);
        EXPECT_EQ(question.point.y, 50);
        EXPECT_EQ(question.flags, static_cast<UINT>(TPM_RETURNCMD | TPM_RIGHTBUTTON));
    });
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_RIGHTBUTTON, 40, 50, 0, owner_.Handle(), nullptr), 32776);
    EXPECT_EQ(InitPopups(), (std::vector<ReceivedMessage>{
                                {WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu_), MAKELPARAM(0, 0)},
                                {WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(newMenu_), MAKELPARAM(3, 0)},
                            }));
    EXPECT_TRUE(owner_.Only(WM_COMMAND).empty()) << "TPM_RETURNCMD posts nothing";
}

TEST_F(MenuPopupTest, WithoutReturnCmdTheChoiceIsPostedAsACommand) {
    ui_testing::ScriptedPrompter prompter;
    prompter.ChooseMenuCommand(32928);
    prompter.ChooseMenuCommand(0);
    EXPECT_EQ(TrackPopupMenu(menu_, 0, 0, 0, 0, owner_.Handle(), nullptr), TRUE);
    EXPECT_EQ(TrackPopupMenu(menu_, 0, 0, 0, 0, owner_.Handle(), nullptr), FALSE) << "dismissed";
    EXPECT_TRUE(owner_.Only(WM_COMMAND).empty()) << "posted, not sent";
    ui::PumpWaitingMessages();
    EXPECT_EQ(owner_.Only(WM_COMMAND), (std::vector<ReceivedMessage>{{WM_COMMAND, MAKEWPARAM(32928, 0), 0}}));
}

TEST_F(MenuPopupTest, TheScriptedPrompterRefusesCommandsAUserCouldNotChoose) {
    // The owner's update-UI greys Refresh when the menu opens.
    owner_.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wParam) == menu_)
            EnableMenuItem(menu_, 32928, MF_GRAYED);
        return RecordingWindow::kNotHandled;
    };
    const struct {
        UINT id;
        const char* failure;
    } cases[] = {{32929, "is disabled"}, {32928, "is disabled"}, {4711, "is not in the popup menu"}};
    for (const auto& c : cases) {
        EXPECT_NONFATAL_FAILURE(
            {
                ui_testing::ScriptedPrompter prompter;
                prompter.ChooseMenuCommand(c.id);
                EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, owner_.Handle(), nullptr), 0);
            },
            c.failure);
    }
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, owner_.Handle(), nullptr);
        },
        "unexpected popup menu of 4 items");
}

TEST_F(MenuPopupTest, BadMenuOrOwnerAsksNothing) {
    ui_testing::ScriptedPrompter prompter;
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr), 0);
    HMENU gone = CreatePopupMenu();
    DestroyMenu(gone);
    EXPECT_EQ(TrackPopupMenu(gone, TPM_RETURNCMD, 0, 0, 0, owner_.Handle(), nullptr), 0);
    EXPECT_TRUE(prompter.AskedMenus().empty());
}

// The default prompter runs QMenu::exec; a queued call acts as the user
// once the menu's loop runs.
QMenu* OpenPopup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

TEST_F(MenuPopupTest, TheDefaultPrompterShowsTheMenuAndAnswersThePickedCommand) {
    owner_.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wParam) == menu_)
            ModifyMenuW(menu_, 32928, MF_BYCOMMAND | MF_STRING, 32928, u"Refresh Now");
        return RecordingWindow::kNotHandled;
    };
    QStringList shown;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            QMenu* menu = OpenPopup();
            ASSERT_NE(menu, nullptr);
            for (QAction* action : menu->actions()) shown << (action->isEnabled() ? "" : "!") + action->text();
            menu->setActiveAction(menu->actions().at(0));
            PressKey(menu, Qt::Key_Return);
        },
        Qt::QueuedConnection);
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 10, 10, 0, owner_.Handle(), nullptr), 32928);
    EXPECT_EQ(shown, (QStringList{"Refresh Now", "", "!Delete", "New"}))
        << "the menu shows what the owner's WM_INITMENUPOPUP made of it";
    ASSERT_FALSE(InitPopups().empty());
    EXPECT_EQ(InitPopups()[0].wParam, reinterpret_cast<WPARAM>(menu_));
}

TEST_F(MenuPopupTest, TheDefaultPrompterAnswersNothingWhenTheMenuIsDismissed) {
    QMetaObject::invokeMethod(
        qApp,
        [] {
            QMenu* menu = OpenPopup();
            ASSERT_NE(menu, nullptr);
            PressKey(menu, Qt::Key_Escape);
        },
        Qt::QueuedConnection);
    EXPECT_EQ(TrackPopupMenu(menu_, 0, 10, 10, 0, owner_.Handle(), nullptr), FALSE);
    ui::PumpWaitingMessages();
    EXPECT_TRUE(owner_.Only(WM_COMMAND).empty());
}

}  // namespace
