// The sample application started for one test: InitInstance has opened a
// drawing in a shown, active main frame; the trace is empty. Helpers find
// the frame's menu and tool bar actions and tell what the views are called
// in the trace. Whatever the test leaves open is closed at its end.
#pragma once

#include "sample_application/main_frame.h"
#include "sample_application/outline_view.h"
#include "sample_application/sample_app.h"
#include "sample_application/sample_doc.h"
#include "sample_application/sample_trace.h"
#include "sample_application/sample_view.h"
#include "ui/framework/doc_template.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui_testing/ui_test.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <string>
#include <vector>

class SampleApplicationTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        SampleTrace().clear();
        ASSERT_TRUE(app.InitInstance());
        frame = DYNAMIC_DOWNCAST(CMainFrame, app.m_pMainWnd);
        ASSERT_NE(frame, nullptr);
        document = DYNAMIC_DOWNCAST(CSampleDoc, frame->GetActiveDocument());
        ASSERT_NE(document, nullptr);
        view = DYNAMIC_DOWNCAST(CSampleView, frame->GetActiveView());
        ASSERT_NE(view, nullptr);
        Activate(frame);
        SampleTrace().clear();
    }
    void TearDown() override {
        for (POSITION position = app.GetFirstDocTemplatePosition(); position;)
            app.GetNextDocTemplate(position)->CloseAllDocuments(TRUE);
        ui::PumpWaitingMessages();
        app.ExitInstance();
        UiTest::TearDown();
    }

    static QMainWindow* MainWindow(CFrameWnd* frameWnd) { return static_cast<QMainWindow*>(frameWnd->Widget()); }

    // Makes `frameWnd` the active window, as a click on it would.
    static void Activate(CFrameWnd* frameWnd) {
        MainWindow(frameWnd)->activateWindow();
        QCoreApplication::processEvents();
    }

    // The menu bar's popup titled `title` ("&Edit"), null when none.
    static QMenu* Menu(CFrameWnd* frameWnd, const char* title) {
        for (QAction* action : MainWindow(frameWnd)->menuBar()->actions())
            if (action->menu() && action->text() == QString::fromUtf8(title)) return action->menu();
        return nullptr;
    }
    // The menu action of command `id` in any of the frame's menus.
    static QAction* MenuAction(CFrameWnd* frameWnd, UINT id) {
        for (QAction* top : MainWindow(frameWnd)->menuBar()->actions())
            if (QMenu* menu = top->menu())
                for (QAction* action : menu->actions())
                    if (!action->isSeparator() && !action->menu() && action->data().toUInt() == id) return action;
        return nullptr;
    }
    static CXTPControl* ToolBarButton(CXTPFrameWnd* frameWnd, UINT id) {
        return frameWnd->GetCommandBars()->FindToolBar(u"Standard")->GetControls()->FindControl(static_cast<int>(id));
    }

    // Picks command `id` from the frame's menu and lets the posted
    // WM_COMMAND arrive.
    static void PickFromMenu(CFrameWnd* frameWnd, UINT id) {
        QAction* action = MenuAction(frameWnd, id);
        ASSERT_NE(action, nullptr) << id;
        action->trigger();
        ui::PumpWaitingMessages();
    }

    // The trace without the views' updates (for tests of who took a command).
    static std::vector<std::string> Handlers() {
        std::vector<std::string> handlers;
        for (const std::string& entry : SampleTrace())
            if (entry.find(": update ") == std::string::npos) handlers.push_back(entry);
        return handlers;
    }

    static std::string TraceName(CView* someView) {
        if (auto* sample = DYNAMIC_DOWNCAST(CSampleView, someView)) return sample->GetTraceName();
        if (auto* outline = DYNAMIC_DOWNCAST(COutlineView, someView)) return outline->GetTraceName();
        return "?";
    }
    static std::vector<CView*> ViewsOf(CDocument* doc) {
        std::vector<CView*> views;
        for (POSITION position = doc->GetFirstViewPosition(); position;) views.push_back(doc->GetNextView(position));
        return views;
    }

    // Opens another frame on the main frame's drawing (File > New Window).
    CMainFrame* OpenSecondFrame() {
        std::vector<CView*> before = ViewsOf(document);
        PickFromMenu(frame, ID_FILE_NEW_FRAME);
        std::vector<CView*> after = ViewsOf(document);
        if (after.size() <= before.size()) return nullptr;
        return DYNAMIC_DOWNCAST(CMainFrame, after.back()->GetParentFrame());
    }

    CSampleApp app;
    CMainFrame* frame = nullptr;
    CSampleDoc* document = nullptr;
    CSampleView* view = nullptr;
};
