#include "toolkit_test_frame.h"
#include "ui/message_queue.h"
#include "ui/toolkit/docking_pane_manager.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QDockWidget>
#include <QLineEdit>

namespace {

class DockingPaneTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(frame.CreateFrame());
        frame.onMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message != XTPWM_DOCKINGPANE_NOTIFY) return RecordingWindow::kNotHandled;
            auto* pane = reinterpret_cast<CXTPDockingPane*>(lParam);
            notified.push_back(pane->GetID());
            // The frame fills the pane when it first shows, as the explorer
            // attaches its folder view.
            if (wParam == XTP_DPN_SHOWWINDOW && pane->GetID() == 101 && !pane->IsValid()) {
                CreatePlainWnd(content, &frame);
                pane->Attach(&content);
            }
            return 1;
        };
        ASSERT_TRUE(manager.InstallDockingPanes(&frame));
        manager.SetTheme(xtpPaneThemeGradient);
    }

    TestFrame frame;
    CWnd content;
    CXTPDockingPaneManager manager;
    std::vector<int> notified;
};

TEST_F(DockingPaneTest, PaneDocksLeftAtItsWidthAndIsFilledWhenFirstShown) {
    CXTPDockingPane* pane = manager.CreatePane(101, RECT{0, 0, 215, 120}, xtpPaneDockLeft);
    ASSERT_NE(pane, nullptr);
    pane->SetMinTrackSize(SIZE{177, 0});
    pane->SetTitle(u"Folders");
    QCoreApplication::processEvents();

    QDockWidget* dock = frame.Main()->findChild<QDockWidget*>(QStringLiteral("pane-101"));
    ASSERT_EQ(dock, pane->Dock());
    EXPECT_EQ(frame.Main()->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
    EXPECT_EQ(dock->minimumWidth(), 177);
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Folders"));
    EXPECT_EQ(manager.FindPane(101), pane);
    EXPECT_EQ(manager.FindPane(102), nullptr);
    EXPECT_EQ(manager.CreatePane(101, RECT{0, 0, 10, 10}, xtpPaneDockLeft), nullptr) << "ids are unique";

    // Shown once: notified once, and the frame filled it.
    EXPECT_EQ(notified, std::vector<int>{101});
    EXPECT_TRUE(pane->IsValid());
    EXPECT_EQ(pane->GetChild(), &content);
    EXPECT_EQ(dock->widget(), content.Widget());
    EXPECT_GE(dock->width(), 177);

    // Hidden and shown again: no second notification.
    pane->Show(FALSE);
    EXPECT_TRUE(pane->IsClosed());
    pane->Show(TRUE);
    QCoreApplication::processEvents();
    EXPECT_EQ(notified, std::vector<int>{101});

    // A destroyed content leaves the pane without valid content.
    DestroyWindow(content.Handle());
    EXPECT_FALSE(pane->IsValid());
}

TEST_F(DockingPaneTest, ActivePaneIsTheOneHoldingTheFocus) {
    CXTPDockingPane* left = manager.CreatePane(101, RECT{0, 0, 215, 120}, xtpPaneDockLeft);
    CXTPDockingPane* right = manager.CreatePane(102, RECT{0, 0, 100, 120}, xtpPaneDockRight);
    ASSERT_TRUE(left && right);
    auto* edit = new QLineEdit;
    right->Dock()->setWidget(edit);
    edit->show();
    QCoreApplication::processEvents();
    // The offscreen display activates no window by itself.
    QApplication::setActiveWindow(frame.Main());
    edit->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(manager.GetActivePane(), right);
    frame.Main()->centralWidget()->setFocusPolicy(Qt::StrongFocus);
    frame.Main()->centralWidget()->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(manager.GetActivePane(), nullptr);
}

TEST_F(DockingPaneTest, LayoutPutsPanesBack) {
    CXTPDockingPane* pane = manager.CreatePane(101, RECT{0, 0, 215, 120}, xtpPaneDockLeft);
    ASSERT_TRUE(pane);
    CXTPDockingPaneLayout layout;
    EXPECT_FALSE(layout.IsValid());
    EXPECT_FALSE(manager.SetLayout(&layout)) << "an empty layout changes nothing";
    manager.GetLayout(&layout);
    ASSERT_TRUE(layout.IsValid());
    frame.Main()->addDockWidget(Qt::RightDockWidgetArea, pane->Dock());
    ASSERT_EQ(frame.Main()->dockWidgetArea(pane->Dock()), Qt::RightDockWidgetArea);
    EXPECT_TRUE(manager.SetLayout(&layout));
    EXPECT_EQ(frame.Main()->dockWidgetArea(pane->Dock()), Qt::LeftDockWidgetArea);
}

TEST_F(DockingPaneTest, RefusesWhatIsNoFrame) {
    CXTPDockingPaneManager other;
    EXPECT_EQ(other.CreatePane(1, RECT{0, 0, 10, 10}, xtpPaneDockLeft), nullptr) << "not installed";
    CWnd plain;
    ASSERT_TRUE(CreatePlainWnd(plain));
    EXPECT_FALSE(other.InstallDockingPanes(&plain));
    EXPECT_FALSE(other.InstallDockingPanes(nullptr));
    EXPECT_FALSE(manager.InstallDockingPanes(&frame)) << "installed already";
}

}  // namespace
