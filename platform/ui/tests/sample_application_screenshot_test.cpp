// A frame of the sample application grabbed as a PNG for people to look
// at (<build>/bin/sample_application_frame.png; never compared): menu bar,
// tool bar with icons, the outline pane, the split views painting the
// drawing, the status bar.
#include "sample_application_fixture.h"

#include "sample_application/sample_resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QImage>
#include <QStatusBar>
#include <QToolBar>

namespace {

TEST_F(SampleApplicationTest, AFrameIsGrabbedWithItsBarsPaneViewsAndStatusBar) {
    QMainWindow* main = MainWindow(frame);
    main->resize(960, 600);
    QCoreApplication::processEvents();
    app.OnIdle(0);  // the tool bar's update-UI and the idle status text
    QCoreApplication::processEvents();

    // What the picture must show, checked on the widgets.
    EXPECT_EQ(main->menuBar()->actions().size(), 4);
    auto* toolBar = main->findChild<QToolBar*>(QStringLiteral("Standard"));
    ASSERT_NE(toolBar, nullptr);
    EXPECT_TRUE(toolBar->isVisible());
    for (UINT id : {ID_FILE_NEW, ID_EDIT_COPY, ID_ITEM_ADD, ID_APP_ABOUT})
        EXPECT_FALSE(ToolBarButton(frame, id)->Action()->icon().isNull()) << id;
    CXTPDockingPane* pane = frame->GetDockingPaneManager().FindPane(IDP_OUTLINE_PANE);
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->Dock()->isVisible());
    EXPECT_EQ(pane->GetChild(), frame->GetOutlineView()) << "the pane took the outline when it first showed";
    EXPECT_TRUE(main->statusBar()->isVisible());
    EXPECT_EQ(frame->GetStatusBar().GetPaneText(0), u"Ready") << "the idle status text";
    EXPECT_EQ(frame->GetSplitter().GetPane(0, 0), view) << "the upper view is the active one";
    auto* lower = DYNAMIC_DOWNCAST(CSampleView, frame->GetSplitter().GetPane(1, 0));
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->GetDocument(), document);
    EXPECT_GT(lower->Widget()->height(), 0);
    EXPECT_GT(view->Widget()->width(), 0);
    EXPECT_GT(view->Widget()->height(), 0);

    QImage shot = main->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    QString path =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("sample_application_frame.png"));
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
}

}  // namespace
