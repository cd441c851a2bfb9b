// The sample application driven as a user would: commands picked from its
// menus and tool bar and typed as accelerators, routed frame -> view ->
// document -> application; update-UI seen in the menus and, after the idle
// pass, in the tool bars of both frames; document changes reaching the
// views; frames, views and documents closing in order.
#include "sample_application_fixture.h"

#include "sample_application/sample_resources.h"
#include "ui_testing/scripted_prompter.h"

#include <QTest>

namespace {

using Trace = std::vector<std::string>;

TEST_F(SampleApplicationTest, CommandsReachTheFirstTargetThatTakesThem) {
    const std::string v = view->GetTraceName();
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Sample") << "the application's title";
        EXPECT_EQ(question.text, u"Sample drawing program, version 1.0");
    });
    struct Case {
        UINT id;
        Trace handlers;
    };
    const Case cases[] = {
        {ID_EDIT_COPY, {v + ": Copy"}},                                 // the active view
        {ID_EDIT_CUT, {v + ": passes Cut on", "document: Cut"}},        // the view's OnCommandEx says FALSE
        {ID_EDIT_PASTE, {v + ": passes Paste on", "document: Paste"}},  // ... and again
        {ID_EDIT_PASTE, {}},                                            // nothing cut: disabled, dropped
        {ID_ITEM_ADD, {"document: Add Item"}},                          // only the document has it
        {ID_VIEW_GRID, {v + ": grid off"}},                             // the view's own state
        {ID_VIEW_OUTLINE, {}},                                          // the frame (below)
        {ID_APP_ABOUT, {"application: About"}},                         // only the application
    };
    for (const Case& c : cases) {
        SampleTrace().clear();
        PickFromMenu(frame, c.id);
        EXPECT_EQ(Handlers(), c.handlers) << "command " << c.id;
    }
    EXPECT_EQ(document->GetItems().size(), 4u);
    EXPECT_TRUE(frame->GetDockingPaneManager().FindPane(IDP_OUTLINE_PANE)->IsClosed()) << "the frame hid its pane";
    EXPECT_EQ(prompter.PendingAnswers(), 0u);
}

TEST_F(SampleApplicationTest, TheActiveSplitViewTakesTheViewsCommands) {
    auto* lower = DYNAMIC_DOWNCAST(CSampleView, frame->GetSplitter().GetPane(1, 0));
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(lower, view);
    frame->SetActiveView(lower);
    PickFromMenu(frame, ID_VIEW_GRID);
    PickFromMenu(frame, ID_EDIT_COPY);
    EXPECT_EQ(Handlers(), (Trace{lower->GetTraceName() + ": grid off", lower->GetTraceName() + ": Copy"}));
    EXPECT_FALSE(lower->IsGridShown());
    EXPECT_TRUE(view->IsGridShown()) << "the other view keeps its own grid";
}

TEST_F(SampleApplicationTest, MenusShowTheUpdateUiOfTheTargetsWhenTheyOpen) {
    QMenu* edit = Menu(frame, "&Edit");
    QMenu* viewMenu = Menu(frame, "&View");
    ASSERT_TRUE(edit && viewMenu);
    auto stateWhenShown = [&](QMenu* menu, UINT id) {
        menu->popup(QPoint(0, 0));  // aboutToShow: WM_INITMENUPOPUP, the pass
        QAction* action = MenuAction(frame, id);
        std::pair<bool, bool> state{action->isEnabled(), action->isChecked()};
        menu->hide();
        return state;
    };
    using State = std::pair<bool, bool>;  // enabled, checked
    EXPECT_EQ(stateWhenShown(edit, ID_EDIT_COPY), State(true, false)) << "the view: items to copy";
    EXPECT_EQ(stateWhenShown(edit, ID_EDIT_PASTE), State(false, false)) << "the document: nothing cut";
    EXPECT_EQ(stateWhenShown(edit, ID_EDIT_SELECT_ALL), State(true, false)) << "a handler, no update handler";
    EXPECT_EQ(stateWhenShown(viewMenu, ID_VIEW_GRID), State(true, true)) << "the view's grid shows";
    EXPECT_EQ(stateWhenShown(viewMenu, ID_VIEW_OUTLINE), State(true, true)) << "the frame's pane shows";

    PickFromMenu(frame, ID_EDIT_CUT);
    PickFromMenu(frame, ID_VIEW_GRID);
    PickFromMenu(frame, ID_VIEW_OUTLINE);
    EXPECT_EQ(stateWhenShown(edit, ID_EDIT_PASTE), State(true, false));
    EXPECT_EQ(stateWhenShown(viewMenu, ID_VIEW_GRID), State(true, false));
    EXPECT_EQ(stateWhenShown(viewMenu, ID_VIEW_OUTLINE), State(true, false));

    PickFromMenu(frame, ID_ITEM_CLEAR);
    EXPECT_EQ(stateWhenShown(edit, ID_EDIT_COPY), State(false, false));
    EXPECT_EQ(stateWhenShown(edit, ID_EDIT_CUT), State(false, false));
    EXPECT_EQ(stateWhenShown(edit, ID_ITEM_CLEAR), State(false, false));
}

TEST_F(SampleApplicationTest, TheIdlePassUpdatesTheToolBarsOfEveryFrame) {
    CMainFrame* second = OpenSecondFrame();
    ASSERT_NE(second, nullptr);
    app.OnIdle(0);
    for (CMainFrame* each : {frame, second}) {
        EXPECT_TRUE(ToolBarButton(each, ID_EDIT_COPY)->GetEnabled());
        EXPECT_FALSE(ToolBarButton(each, ID_EDIT_PASTE)->GetEnabled());
        EXPECT_FALSE(ToolBarButton(each, ID_EDIT_PASTE)->Action()->isEnabled()) << "the button shows it";
        EXPECT_TRUE(ToolBarButton(each, ID_VIEW_GRID)->GetChecked());
        EXPECT_TRUE(ToolBarButton(each, ID_VIEW_OUTLINE)->GetChecked());
    }

    // A tool bar click in the first frame: its document is the second's too,
    // so Paste is enabled in both; the grid is the first frame's view's own.
    ToolBarButton(frame, ID_EDIT_CUT)->Action()->trigger();
    ToolBarButton(frame, ID_VIEW_GRID)->Action()->trigger();
    ui::PumpWaitingMessages();
    EXPECT_FALSE(ToolBarButton(frame, ID_EDIT_PASTE)->GetEnabled()) << "only the idle pass updates the bars";
    app.OnIdle(0);
    EXPECT_TRUE(ToolBarButton(frame, ID_EDIT_PASTE)->GetEnabled());
    EXPECT_TRUE(ToolBarButton(second, ID_EDIT_PASTE)->GetEnabled());
    EXPECT_TRUE(ToolBarButton(second, ID_EDIT_PASTE)->Action()->isEnabled());
    EXPECT_FALSE(ToolBarButton(frame, ID_VIEW_GRID)->GetChecked());
    EXPECT_FALSE(ToolBarButton(frame, ID_VIEW_GRID)->Action()->isChecked());
    EXPECT_TRUE(ToolBarButton(second, ID_VIEW_GRID)->GetChecked());
}

TEST_F(SampleApplicationTest, AcceleratorsOfTheMenuTextsRunTheirCommands) {
    ASSERT_EQ(QApplication::activeWindow(), MainWindow(frame));
    const std::string v = view->GetTraceName();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Trace handlers;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, {"document: Add Item"}},  // "Ctrl+Shift+A"
        {Qt::Key_C, Qt::ControlModifier, {v + ": Copy"}},
        {Qt::Key_X, Qt::ControlModifier, {v + ": passes Cut on", "document: Cut"}},
        {Qt::Key_A, Qt::ControlModifier, {v + ": Select All"}},
        {Qt::Key_G, Qt::ControlModifier, {v + ": grid off"}},
        {Qt::Key_B, Qt::ControlModifier, {}},  // no such accelerator
    };
    for (const Case& c : cases) {
        SampleTrace().clear();
        QTest::keyClick(MainWindow(frame), c.key, c.modifiers);
        ui::PumpWaitingMessages();
        EXPECT_EQ(Handlers(), c.handlers) << QKeySequence(c.key | c.modifiers).toString().toStdString();
    }
    // F4 reaches the frame.
    QTest::keyClick(MainWindow(frame), Qt::Key_F4);
    ui::PumpWaitingMessages();
    EXPECT_TRUE(frame->GetDockingPaneManager().FindPane(IDP_OUTLINE_PANE)->IsClosed());
}

TEST_F(SampleApplicationTest, DocumentChangesReachTheViewsInOrderButNotTheSender) {
    CMainFrame* second = OpenSecondFrame();
    ASSERT_NE(second, nullptr);
    std::vector<CView*> views = ViewsOf(document);
    ASSERT_EQ(views.size(), 6u) << "two frames, each with two split views and an outline";

    // Select All: the view that took it repaints itself; the others are told.
    SampleTrace().clear();
    PickFromMenu(frame, ID_EDIT_SELECT_ALL);
    Trace expected{view->GetTraceName() + ": Select All"};
    for (CView* each : views)
        if (each != view) expected.push_back(TraceName(each) + ": update " + std::to_string(HINT_SELECTION_CHANGED));
    EXPECT_EQ(SampleTrace(), expected);

    // The document's own change: every view, in the same order.
    SampleTrace().clear();
    PickFromMenu(second, ID_ITEM_ADD);
    expected = {"document: Add Item"};
    for (CView* each : views) expected.push_back(TraceName(each) + ": update " + std::to_string(HINT_ITEMS_CHANGED));
    EXPECT_EQ(SampleTrace(), expected);
}

TEST_F(SampleApplicationTest, FramesCloseAloneAndTheMainFrameLastEndsTheProgram) {
    CMainFrame* second = OpenSecondFrame();
    ASSERT_NE(second, nullptr);
    std::vector<CView*> secondViews;
    for (CView* each : ViewsOf(document))
        if (each->GetParentFrame() == second) secondViews.push_back(each);
    PickFromMenu(frame, ID_FILE_NEW);  // another drawing, a third frame
    CFrameWnd* third = DYNAMIC_DOWNCAST(CFrameWnd, CWnd::FromHandle(::GetActiveWindow()));
    ASSERT_TRUE(third && third != frame && third != second);
    CDocument* otherDocument = third->GetActiveDocument();
    ASSERT_NE(otherDocument, document);
    std::vector<CView*> thirdViews = ViewsOf(otherDocument);
    std::vector<CView*> mainViews;
    for (CView* each : ViewsOf(document))
        if (each->GetParentFrame() == frame) mainViews.push_back(each);
    HWND mainWindow = frame->GetSafeHwnd(), secondWindow = second->GetSafeHwnd(), thirdWindow = third->GetSafeHwnd();

    // The second frame on the drawing closes alone: the drawing stays.
    Trace expected{"frame destroyed"};
    for (CView* each : secondViews) expected.push_back(TraceName(each) + " deleted");
    expected.push_back("frame deleted");
    SampleTrace().clear();
    ::PostMessageW(secondWindow, WM_CLOSE, 0, 0);
    ui::PumpWaitingMessages();
    EXPECT_EQ(Handlers(), expected);
    EXPECT_FALSE(::IsWindow(secondWindow));
    EXPECT_TRUE(::IsWindow(mainWindow));
    EXPECT_EQ(ViewsOf(document).size(), mainViews.size());

    // Exit closes the main frame: the other drawing with its frame first,
    // then the main frame's views, its drawing, the frame; the loop ends.
    std::vector<std::string> thirdNames, mainNames;
    for (CView* each : thirdViews) thirdNames.push_back(TraceName(each) + " deleted");
    for (CView* each : mainViews) mainNames.push_back(TraceName(each) + " deleted");
    SampleTrace().clear();
    ::PostMessageW(mainWindow, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(app.Run(), 0) << "the main frame's end posted the quit";
    expected = {"frame destroyed"};
    expected.insert(expected.end(), thirdNames.begin(), thirdNames.end());
    // That drawing is closed as a whole (OnCloseDocument): its frame goes
    // before it; the main frame's drawing goes with its last view.
    expected.insert(expected.end(), {"frame deleted", "document deleted", "frame destroyed"});
    expected.insert(expected.end(), mainNames.begin(), mainNames.end());
    expected.insert(expected.end(), {"document deleted", "frame deleted"});
    EXPECT_EQ(Handlers(), expected);
    EXPECT_FALSE(::IsWindow(thirdWindow));
    EXPECT_FALSE(::IsWindow(mainWindow));
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

}  // namespace
