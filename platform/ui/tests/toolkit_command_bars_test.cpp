#include "toolkit_test_frame.h"
#include "ui/icons.h"
#include "ui/menu_resource.h"
#include "ui/menus.h"
#include "ui/message_queue.h"
#include "ui/toolkit/command_bars.h"
#include "ui/toolkit/control_popup.h"
#include "ui/toolkit/image_manager.h"
#include "ui/toolkit/popup_bar.h"
#include "ui_testing/ui_test.h"

#include "icon_internal.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {

constexpr UINT kPopupOpening = XTP_CBN_POPUPOPENING;
constexpr UINT kPopupClosed = XTP_CBN_POPUPCLOSED;

class CommandBarsTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(frame.CreateFrame());
        bars = std::make_unique<CXTPCommandBars>(frame.Handle());
        bar = bars->Add(u"Item Folder Commands", xtpBarTop);
        ASSERT_NE(bar, nullptr);
        bar->SetShowGripper(FALSE);
    }
    void TearDown() override {
        bars.reset();
        UiTest::TearDown();
    }
    QToolBar* ToolBar() const { return static_cast<QToolBar*>(bar->Widget()); }
    std::vector<UINT> Commands() const {
        std::vector<UINT> ids;
        for (const auto& message : frame.Only(WM_COMMAND)) ids.push_back(LOWORD(message.wParam));
        return ids;
    }
    // Picks `action` in its shown menu as a user does with the keyboard:
    // Qt hides the menu, then triggers the action.
    static void PickInMenu(QMenu* menu, QAction* action) {
        menu->setActiveAction(action);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &press);
    }

    TestFrame frame;
    std::unique_ptr<CXTPCommandBars> bars;
    CXTPToolBar* bar = nullptr;
};

TEST_F(CommandBarsTest, ControlsAreAddedFoundAndRemovedInOrder) {
    CXTPControls* controls = bar->GetControls();
    EXPECT_EQ(frame.Main()->findChild<QToolBar*>(QStringLiteral("Item Folder Commands")), ToolBar());
    EXPECT_FALSE(ToolBar()->isMovable()) << "no gripper";

    controls->Add(xtpControlButton, 32775);
    controls->Add(xtpControlButton, 32776);
    CXTPControl* popup = controls->Add(xtpControlPopup, 32915);
    controls->Add(xtpControlButton, 32774, nullptr, 0);  // before the first
    ASSERT_EQ(controls->GetCount(), 4);
    EXPECT_EQ(controls->GetAt(0)->GetID(), 32774);
    EXPECT_EQ(controls->GetAt(3), popup);
    EXPECT_EQ(controls->GetAt(4), nullptr);
    EXPECT_EQ(controls->FindControl(32776), controls->GetAt(2));
    EXPECT_EQ(controls->FindControl(1), nullptr);
    EXPECT_EQ(popup->GetParent(), bar);
    EXPECT_EQ(popup->GetIndex(), 3);

    // Inside a popup: found only when looking into popups.
    CXTPCommandBar* inner = static_cast<CXTPControlPopup*>(popup)->GetCommandBar();
    EXPECT_EQ(static_cast<CXTPPopupBar*>(inner)->GetControlPopup(), popup);
    CXTPControl* level = inner->GetControls()->Add(xtpControlButton, 34915);
    EXPECT_EQ(controls->FindControl(xtpControlButton, 34915, FALSE, FALSE), nullptr);
    EXPECT_EQ(controls->FindControl(xtpControlButton, 34915, FALSE, TRUE), level);
    EXPECT_EQ(bars->FindControl(xtpControlError, 34915, FALSE, TRUE), level);
    EXPECT_EQ(bars->FindControl(xtpControlPopup, 32776, FALSE, TRUE), nullptr) << "type must match";
    controls->GetAt(2)->SetVisible(FALSE);
    EXPECT_EQ(bars->FindControl(xtpControlError, 32776, TRUE, TRUE), nullptr) << "visible only";

    // The tool bar shows a separator slot and an action per control.
    EXPECT_EQ(ToolBar()->actions().size(), 8);
    controls->Remove(1);
    EXPECT_EQ(controls->FindControl(32775), nullptr);
    EXPECT_EQ(ToolBar()->actions().size(), 6);
    controls->RemoveAll();
    EXPECT_EQ(controls->GetCount(), 0);
    EXPECT_TRUE(ToolBar()->actions().isEmpty());
}

TEST_F(CommandBarsTest, ControlPropertiesShowInItsButton) {
    HICON icon = ui::detail::MakeIcon([] {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        return image;
    }());
    CXTPControls* controls = bar->GetControls();
    controls->Add(xtpControlButton, 32775);
    CXTPControl* control = controls->Add(xtpControlButton, 32802);
    control->SetCaption(u"Hide Files");
    control->SetTooltip(u"Hide Files tip");
    control->SetDescription(u"Hides the files");
    control->SetCustomIcon(icon);
    DestroyIcon(icon);  // the control keeps its own copy
    control->SetStyle(xtpButtonIcon);
    control->SetFlags(xtpFlagManualUpdate);
    control->SetBeginGroup(TRUE);
    control->SetChecked(TRUE);

    QAction* action = control->Action();
    auto* button = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(action));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("Hide Files"));
    EXPECT_EQ(action->toolTip(), QStringLiteral("Hide Files tip"));
    EXPECT_EQ(action->statusTip(), QStringLiteral("Hides the files"));
    EXPECT_FALSE(action->icon().isNull());
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_TRUE(action->isChecked());
    EXPECT_EQ(control->GetFlags(), static_cast<DWORD>(xtpFlagManualUpdate));
    EXPECT_TRUE(control->SeparatorAction()->isVisible());
    control->SetStyle(xtpButtonIconAndCaption);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

    // Hidden: its group's separator goes too.
    control->SetVisible(FALSE);
    EXPECT_FALSE(action->isVisible());
    EXPECT_FALSE(control->SeparatorAction()->isVisible());
    control->SetEnabled(FALSE);
    EXPECT_FALSE(action->isEnabled());
    EXPECT_FALSE(control->Execute()) << "a disabled control runs nothing";
}

TEST_F(CommandBarsTest, TriggeringPostsTheCommandToTheFrame) {
    CXTPControl* control = bar->GetControls()->Add(xtpControlButton, 32805);
    control->SetChecked(FALSE);
    control->Action()->trigger();
    EXPECT_TRUE(frame.Only(WM_COMMAND).empty()) << "posted, not sent";
    ui::PumpWaitingMessages();
    ASSERT_EQ(Commands(), std::vector<UINT>{32805});
    EXPECT_EQ(HIWORD(frame.Only(WM_COMMAND)[0].wParam), 0);
    EXPECT_EQ(frame.Only(WM_COMMAND)[0].lParam, 0);

    // The control's code owns the checked state: a click does not flip it.
    control->SetChecked(TRUE);
    control->Action()->trigger();
    EXPECT_TRUE(control->Action()->isChecked());
    EXPECT_TRUE(control->GetChecked());

    // A control removed right after its trigger still delivers its command.
    control->Action()->trigger();
    bar->GetControls()->RemoveAll();
    ui::PumpWaitingMessages();
    EXPECT_EQ(Commands(), (std::vector<UINT>{32805, 32805, 32805}));
}

TEST_F(CommandBarsTest, DynamicPopupIsFilledBeforeItShowsAndEmptiedAfterThePick) {
    auto* popup = static_cast<CXTPControlPopup*>(bar->GetControls()->Add(xtpControlPopup, 32793));
    CXTPCommandBar* popupBar = popup->GetCommandBar();
    std::vector<UINT> order;
    frame.onMessage = [&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kPopupOpening || message == kPopupClosed || message == WM_COMMAND)
            order.push_back(message == WM_COMMAND ? LOWORD(wParam) : message);
        auto* notified = reinterpret_cast<CXTPCommandBar*>(lParam);
        if (message == kPopupOpening) {
            EXPECT_EQ(notified, popupBar);
            // Filled as the explorer fills its drop-down lists.
            for (int id : {33793, 33794}) {
                CXTPControl* entry = notified->GetControls()->Add(xtpControlButton, id);
                entry->SetCaption(id == 33793 ? u"Approve" : u"Reject");
                entry->SetFlags(xtpFlagManualUpdate);
            }
        } else if (message == kPopupClosed) {
            EXPECT_EQ(notified, popupBar);
            notified->GetControls()->RemoveAll();
        }
        return RecordingWindow::kNotHandled;
    };

    auto* button = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(popup->Action()));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    QMenu* menu = button->defaultAction()->menu();
    ASSERT_EQ(menu, popupBar->Widget());
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    ASSERT_EQ(order, std::vector<UINT>{kPopupOpening});
    ASSERT_EQ(popupBar->GetControls()->GetCount(), 2);
    PickInMenu(menu, popupBar->GetControls()->GetAt(1)->Action());
    ui::PumpWaitingMessages();

    EXPECT_EQ(order, (std::vector<UINT>{kPopupOpening, 33794, kPopupClosed}));
    EXPECT_EQ(popupBar->GetControls()->GetCount(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(menu->actions().isEmpty());
}

TEST_F(CommandBarsTest, ClosingNotificationOfAPopupGoneMeanwhileIsDropped) {
    auto* popup = static_cast<CXTPControlPopup*>(bar->GetControls()->Add(xtpControlPopup, 32915));
    QMenu* menu = static_cast<QMenu*>(popup->GetCommandBar()->Widget());
    menu->popup(QPoint(10, 10));
    menu->hide();
    bar->GetControls()->RemoveAll();
    ui::PumpWaitingMessages();
    EXPECT_EQ(frame.Only(kPopupOpening).size(), 1u);
    EXPECT_TRUE(frame.Only(kPopupClosed).empty());
}

TEST_F(CommandBarsTest, MenuItemsBecomeControls) {
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 32886, u"Inner");
    AppendMenuW(menu, MF_STRING | MF_CHECKED, 49153, u"First\tCtrl+F");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 49154, u"Second");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"More");
    CXTPControls* controls = bar->GetControls();
    for (int index = 0; index < GetMenuItemCount(menu); ++index) controls->AddMenuItem(menu, index);
    EXPECT_EQ(controls->AddMenuItem(menu, 9), nullptr);
    DestroyMenu(menu);

    ASSERT_EQ(controls->GetCount(), 3);
    struct Expected {
        int id;
        const char16_t* caption;
        XTPControlType type;
        BOOL checked, enabled, beginGroup;
    } expected[] = {
        {49153, u"First", xtpControlButton, TRUE, TRUE, FALSE},
        {49154, u"Second", xtpControlButton, FALSE, FALSE, TRUE},
        {0, u"More", xtpControlPopup, FALSE, TRUE, FALSE},
    };
    for (int index = 0; index < 3; ++index) {
        CXTPControl* control = controls->GetAt(index);
        EXPECT_EQ(control->GetID(), expected[index].id) << index;
        EXPECT_EQ(control->GetCaption(), expected[index].caption) << index;
        EXPECT_EQ(control->GetType(), expected[index].type) << index;
        EXPECT_EQ(control->GetChecked(), expected[index].checked) << index;
        EXPECT_EQ(control->GetEnabled(), expected[index].enabled) << index;
        EXPECT_EQ(control->GetBeginGroup(), expected[index].beginGroup) << index;
    }
    EXPECT_NE(controls->FindControl(xtpControlButton, 32886, FALSE, TRUE), nullptr);
}

TEST_F(CommandBarsTest, MenuBarShowsTheMenuAndPostsItsCommands) {
    ui::RegisterMenuResource({128,
                              {{0, u"&File", MF_POPUP, {{57613, u"New &Halvaran..."}, {57665, u"E&xit"}}},
                               {0, u"&Help", MF_POPUP, {{57664, u"&About Halvaran..."}}}}});
    CXTPMenuBar* menuBar = bars->SetMenu(u"Menu Bar", 128);
    ASSERT_NE(menuBar, nullptr);
    EXPECT_EQ(bars->GetMenuBar(), menuBar);
    EXPECT_EQ(frame.Main()->menuBar(), menuBar->Widget());
    QList<QAction*> titles = frame.Main()->menuBar()->actions();
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0]->text(), QStringLiteral("&File"));

    // The frame turns Exit into Close in its menu; the bar follows.
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STRING;
    info.wID = 57602;
    info.dwTypeData = const_cast<LPWSTR>(u"&Close");
    ASSERT_TRUE(SetMenuItemInfoW(GetSubMenu(menuBar->GetMenu(), 0), 57665, FALSE, &info));
    QMenu* file = titles[0]->menu();
    file->popup(QPoint(0, 0));
    QAction* close = file->actions().value(1);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("&Close"));
    EXPECT_FALSE(frame.Only(WM_INITMENUPOPUP).empty()) << "the frame's update-UI pass runs first";
    PickInMenu(file, close);
    ui::PumpWaitingMessages();
    EXPECT_EQ(Commands(), std::vector<UINT>{57602});
    ui::UnregisterMenuResource(128);
    EXPECT_EQ(bars->SetMenu(u"Menu Bar", 128), nullptr) << "no such menu";
}

TEST_F(CommandBarsTest, ImageManagerGivesIconsToControlsWithoutTheirOwn) {
    HICON icon = ui::detail::MakeIcon([] {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        return image;
    }());
    ASSERT_TRUE(XTPImageManager()->SetIcon(icon, 32809));
    DestroyIcon(icon);
    CXTPControl* control = bar->GetControls()->Add(xtpControlButton, 32809);
    EXPECT_FALSE(control->HasCustomIcon());
    EXPECT_FALSE(control->Action()->icon().isNull());
    XTPImageManager()->RemoveAll();
    EXPECT_EQ(XTPImageManager()->GetCount(), 0);
    bars->RedrawCommandBars();
    EXPECT_TRUE(control->Action()->icon().isNull());
}

TEST_F(CommandBarsTest, CustomisationOffPreventsTheBarsMenu) {
    bars->EnableCustomization(FALSE);
    EXPECT_FALSE(bars->IsCustomizationEnabled());
    EXPECT_EQ(ToolBar()->contextMenuPolicy(), Qt::PreventContextMenu);
    CXTPToolBar* second = bars->Add(u"Second", xtpBarBottom);
    EXPECT_EQ(second->Widget()->contextMenuPolicy(), Qt::PreventContextMenu);
    EXPECT_EQ(frame.Main()->toolBarArea(static_cast<QToolBar*>(second->Widget())), Qt::BottomToolBarArea);
    EXPECT_EQ(bars->GetCount(), 2);
    EXPECT_EQ(bars->FindToolBar(u"Second"), second);
    EXPECT_EQ(bars->Add(u"Floating", xtpBarFloating), nullptr);
}

}  // namespace
