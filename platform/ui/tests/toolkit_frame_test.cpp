#include "ui/framework/framework_ids.h"
#include "ui/framework/message_map.h"
#include "ui/icons.h"
#include "ui/menu_resource.h"
#include "ui/menus.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/toolkit/caption.h"
#include "ui/toolkit/color_manager.h"
#include "ui/toolkit/docking_pane_manager.h"
#include "ui/toolkit/frame_wnd.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/splitter_wnd.h"
#include "ui/toolkit/status_bar.h"
#include "ui_testing/ui_test.h"

#include "icon_internal.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QStatusBar>
#include <QImage>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

constexpr UINT kHandled = 32805, kChecked = 32802, kUnhandled = 32809, kManual = 32915;

class ToolkitFrame : public CXTPFrameWnd {
public:
    int handled = 0;

protected:
    void OnHandled() { ++handled; }
    void OnUpdateChecked(CCmdUI* cmdUI) {
        cmdUI->Enable(TRUE);
        cmdUI->SetCheck(1);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ToolkitFrame, CXTPFrameWnd)
ON_COMMAND(kHandled, &ToolkitFrame::OnHandled)
ON_UPDATE_COMMAND_UI(kChecked, &ToolkitFrame::OnUpdateChecked)
END_MESSAGE_MAP()

class ToolkitFrameTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        frame = new ToolkitFrame;  // deletes itself when destroyed
        ASSERT_TRUE(frame->Create(nullptr, u"Halvaran"));
        hwnd = frame->GetSafeHwnd();
        ASSERT_TRUE(frame->InitCommandBars());
        bar = frame->GetCommandBars()->Add(u"Item Folder Commands", xtpBarTop);
        for (UINT id : {kHandled, kChecked, kUnhandled, kManual}) bar->GetControls()->Add(xtpControlButton, id);
        bar->GetControls()->FindControl(kManual)->SetFlags(xtpFlagManualUpdate);
    }
    void TearDown() override {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        UiTest::TearDown();
    }

    ToolkitFrame* frame = nullptr;
    HWND hwnd = nullptr;
    CXTPToolBar* bar = nullptr;
};

TEST_F(ToolkitFrameTest, IdleUpdateRoutesEveryControlThatIsNotManual) {
    SendMessageW(hwnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    CXTPControls* controls = bar->GetControls();
    EXPECT_TRUE(controls->FindControl(kHandled)->GetEnabled()) << "a target handles it";
    EXPECT_TRUE(controls->FindControl(kChecked)->GetEnabled());
    EXPECT_TRUE(controls->FindControl(kChecked)->GetChecked()) << "its update handler checks it";
    EXPECT_FALSE(controls->FindControl(kUnhandled)->GetEnabled()) << "no target handles it";
    EXPECT_TRUE(controls->FindControl(kManual)->GetEnabled()) << "manual update: left as its code set it";

    // A triggered control reaches the frame's handler through the queue.
    controls->FindControl(kHandled)->Action()->trigger();
    ui::PumpWaitingMessages();
    EXPECT_EQ(frame->handled, 1);
}

TEST_F(ToolkitFrameTest, FrameIsGrabbedWithItsBarsPaneSplitterAndStatusBar) {
    ui::RegisterMenuResource({128,
                              {{0, u"&File", MF_POPUP, {{57613, u"New &Halvaran..."}, {57665, u"E&xit"}}},
                               {0, u"&Edit", MF_POPUP, {{57634, u"&Copy\tCtrl+C"}}},
                               {0, u"&View", MF_POPUP, {{32946, u"&Card Preview"}}},
                               {0, u"&Help", MF_POPUP, {{57664, u"&About Halvaran..."}}}}});
    CXTPPaintManager::SetTheme(xtpThemeGradient);
    ASSERT_NE(frame->GetCommandBars()->SetMenu(u"Menu Bar", 128), nullptr);
    bar->SetShowGripper(FALSE);
    // Toolbar icons: plain coloured glyphs drawn here.
    const QColor colours[] = {QColor(0x2e, 0x7d, 0x32), QColor(0x15, 0x65, 0xc0), QColor(0xef, 0x6c, 0x00),
                              QColor(0x6a, 0x1b, 0x9a)};
    for (int index = 0; index < bar->GetControls()->GetCount(); ++index) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(colours[index % 4]);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
        painter.end();
        HICON icon = ui::detail::MakeIcon(image);
        CXTPControl* control = bar->GetControls()->GetAt(index);
        control->SetCustomIcon(icon);
        control->SetStyle(xtpButtonIcon);
        control->SetTooltip(u"Command");
        DestroyIcon(icon);
    }
    frame->GetCommandBars()->RedrawCommandBars();

    CXTPStatusBar statusBar;
    const UINT indicators[] = {0, 59137, 59138, 59139};
    ASSERT_TRUE(statusBar.Create(frame, 0x56008200, 59393));
    statusBar.SetIndicators(indicators, 4);
    SendMessageW(statusBar.Handle(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(u"Ready"));

    CXTPDockingPaneManager panes;
    ASSERT_TRUE(panes.InstallDockingPanes(frame));
    panes.SetTheme(xtpPaneThemeGradient);
    CXTPDockingPane* folders = panes.CreatePane(101, RECT{0, 0, 215, 120}, xtpPaneDockLeft);
    folders->SetMinTrackSize(SIZE{177, 0});
    folders->SetTitle(u"Folders");
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    auto* vault = new QTreeWidgetItem(tree, {QStringLiteral("Vault")});
    new QTreeWidgetItem(vault, {QStringLiteral("Projects")});
    new QTreeWidgetItem(vault, {QStringLiteral("Standards")});
    vault->setExpanded(true);
    folders->Dock()->setWidget(tree);

    CXTPSplitterWndEx splitter;
    ASSERT_TRUE(splitter.CreateStatic(frame, 2, 1));
    CXTPCaption caption;
    ASSERT_TRUE(caption.Create(&splitter, u"Action Pane", 0x10000201 | WS_CHILD, RECT{0, 0, 100, 24},
                               splitter.IdFromRowCol(0, 0)));
    CXTPColorManager* colours15 = XTPColorManager();
    caption.SetCaptionColors(colours15->GetColor(COLOR_BTNFACE), colours15->GetColor(COLOR_BTNSHADOW),
                             colours15->GetColor(COLOR_WINDOW));
    ui::Window lower;
    ASSERT_TRUE(lower.Create(splitter.Handle(), u"Items", RECT{0, 0, 10, 10}, WS_CHILD | WS_VISIBLE));
    auto* list = new QTreeWidget(lower.Widget());
    list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("State"), QStringLiteral("Revision")});
    for (const char* name : {"Bracket.prt", "Housing.asm", "Cover.drw"})
        new QTreeWidgetItem(list, {QString::fromLatin1(name), QStringLiteral("Released"), QStringLiteral("B")});
    list->resize(700, 400);

    QMainWindow* main = static_cast<QMainWindow*>(frame->Widget());
    main->resize(900, 560);
    main->show();
    QCoreApplication::processEvents();
    splitter.SetRowInfo(0, 24, 0);
    splitter.RecalcLayout();
    QCoreApplication::processEvents();

    EXPECT_EQ(static_cast<QWidget*>(main->statusBar()), statusBar.Widget());
    EXPECT_EQ(main->menuWidget(), frame->GetCommandBars()->GetMenuBar()->Widget());
    EXPECT_EQ(splitter.GetPane(0, 0), &caption);
    QImage shot = main->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("toolkit_frame.png"));
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    CXTPPaintManager::SetTheme(xtpThemeClassic);
    DestroyWindow(hwnd);
    ui::UnregisterMenuResource(128);
}

// A frame that makes its menu bar in WM_CREATE, as frames do, while
// LoadFrame is still running.
class MenuBarInCreateFrame : public CXTPFrameWnd {
    DECLARE_DYNCREATE(MenuBarInCreateFrame)
protected:
    int OnCreate(LPCREATESTRUCT lpcs) {
        if (CXTPFrameWnd::OnCreate(lpcs) == -1) return -1;
        if (!InitCommandBars() || !GetCommandBars()->SetMenu(u"Menu Bar", 128)) return -1;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(MenuBarInCreateFrame, CXTPFrameWnd)
BEGIN_MESSAGE_MAP(MenuBarInCreateFrame, CXTPFrameWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

TEST_F(ToolkitFrameTest, AMenuBarMadeInCreateShowsTheFramesMenuOnce) {
    ui::RegisterMenuResource({128,
                              {{0, u"&File", MF_POPUP, {{57600, u"&New\tCtrl+N"}, {57665, u"E&xit"}}},
                               {0, u"&Help", MF_POPUP, {{57664, u"&About..."}}}}});
    auto* loaded = new MenuBarInCreateFrame;  // deletes itself when destroyed
    ASSERT_TRUE(loaded->IsKindOf(RUNTIME_CLASS(CXTPFrameWnd)));
    ASSERT_TRUE(loaded->LoadFrame(128));
    HWND loadedWindow = loaded->GetSafeHwnd();
    CXTPMenuBar* menuBar = loaded->GetCommandBars()->GetMenuBar();
    ASSERT_NE(menuBar, nullptr);
    EXPECT_EQ(menuBar->GetMenu(), loaded->GetMenu()) << "the bar shows the menu LoadFrame took";
    auto* main = static_cast<QMainWindow*>(loaded->Widget());
    EXPECT_EQ(main->menuWidget(), menuBar->Widget());
    // One binding: each popup once, so each shortcut has one action.
    EXPECT_EQ(main->menuBar()->actions().size(), 2);
    int newActions = 0;
    for (QAction* action : main->findChildren<QAction*>())
        if (action->shortcut() == QKeySequence(QStringLiteral("Ctrl+N"))) ++newActions;
    EXPECT_EQ(newActions, 1);
    DestroyWindow(loadedWindow);
    ui::UnregisterMenuResource(128);
}

}  // namespace
