// Command routing through frame, view, document, template and application;
// update-UI; message maps and their cracking; run-time classes.
#include "ui/framework/create_context.h"
#include "ui/framework/doc_template.h"
#include "ui/framework/document.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/view.h"
#include "ui/framework/win_app.h"
#include "ui/message_queue.h"
#include "ui/notify_header.h"
#include "ui/window_functions.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> trace;

constexpr UINT kViewCommand = 40100;      // every target handles it
constexpr UINT kDocumentCommand = 40101;  // document and below
constexpr UINT kTemplateCommand = 40102;  // template and below
constexpr UINT kFrameCommand = 40103;     // frame and application
constexpr UINT kAppCommand = 40104;       // application only
constexpr UINT kPassOnCommand = 40105;    // the view's _EX handler lets it go on to the document
constexpr UINT kNobodyCommand = 40106;
constexpr UINT kDisabledCommand = 40107;  // the view's update-UI disables it; the frame would run it
constexpr UINT kCheckedCommand = 40108;   // the frame's update-UI checks it, the frame handles it

class RoutingDoc : public CDocument {
    DECLARE_DYNCREATE(RoutingDoc)
public:
    ~RoutingDoc() override { trace.push_back("document deleted"); }

protected:
    void OnRange(UINT) { trace.push_back("document"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(RoutingDoc, CDocument)
BEGIN_MESSAGE_MAP(RoutingDoc, CDocument)
ON_COMMAND_RANGE(kViewCommand, kDocumentCommand, &RoutingDoc::OnRange)
ON_COMMAND_RANGE(kPassOnCommand, kPassOnCommand, &RoutingDoc::OnRange)
END_MESSAGE_MAP()

class RoutingView : public CView {
    DECLARE_DYNCREATE(RoutingView)
public:
    ~RoutingView() override { trace.push_back("view deleted"); }
    void OnDraw(CDC*) override {}
    void OnInitialUpdate() override {
        trace.push_back("view initial update");
        CView::OnInitialUpdate();
    }
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override {
        updates.push_back({sender, hint, hintObject});
    }
    struct Update {
        CView* sender;
        LPARAM hint;
        CObject* hintObject;
    };
    std::vector<Update> updates;

protected:
    void OnView() { trace.push_back("view"); }
    BOOL OnPassOn(UINT) {
        trace.push_back("view passes on");
        return FALSE;
    }
    void OnUpdateDisabled(CCmdUI* cmdUI) { cmdUI->Enable(FALSE); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(RoutingView, CView)
BEGIN_MESSAGE_MAP(RoutingView, CView)
ON_COMMAND(kViewCommand, &RoutingView::OnView)
ON_COMMAND_EX(kPassOnCommand, &RoutingView::OnPassOn)
ON_UPDATE_COMMAND_UI(kDisabledCommand, &RoutingView::OnUpdateDisabled)
END_MESSAGE_MAP()

class RoutingFrame : public CFrameWnd {
    DECLARE_DYNCREATE(RoutingFrame)
public:
    ~RoutingFrame() override { trace.push_back("frame deleted"); }
    int idleUpdates = 0;

protected:
    void OnRange(UINT) { trace.push_back("frame"); }
    void OnUpdateChecked(CCmdUI* cmdUI) { cmdUI->SetCheck(1); }
    LRESULT OnIdleUpdate(WPARAM wParam, LPARAM lParam) {
        ++idleUpdates;
        return CFrameWnd::OnIdleUpdateCmdUI(wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(RoutingFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(RoutingFrame, CFrameWnd)
ON_COMMAND_RANGE(kViewCommand, kFrameCommand, &RoutingFrame::OnRange)
ON_COMMAND_RANGE(kDisabledCommand, kCheckedCommand, &RoutingFrame::OnRange)
ON_UPDATE_COMMAND_UI(kCheckedCommand, &RoutingFrame::OnUpdateChecked)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &RoutingFrame::OnIdleUpdate)
END_MESSAGE_MAP()

class RoutingTemplate : public CMultiDocTemplate {
public:
    RoutingTemplate()
        : CMultiDocTemplate(128, RUNTIME_CLASS(RoutingDoc), RUNTIME_CLASS(RoutingFrame), RUNTIME_CLASS(RoutingView)) {}

protected:
    void OnRange(UINT) { trace.push_back("template"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(RoutingTemplate, CMultiDocTemplate)
ON_COMMAND_RANGE(kViewCommand, kTemplateCommand, &RoutingTemplate::OnRange)
END_MESSAGE_MAP()

class RoutingApp : public CWinApp {
public:
    RoutingApp() : CWinApp(u"Routing") {}

protected:
    void OnRange(UINT) { trace.push_back("application"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(RoutingApp, CWinApp)
ON_COMMAND_RANGE(kViewCommand, kAppCommand, &RoutingApp::OnRange)
ON_COMMAND(ID_FILE_NEW, &CWinApp::OnFileNew)
END_MESSAGE_MAP()

// Records what update-UI did to an item.
class RecordingCmdUI : public CCmdUI {
public:
    explicit RecordingCmdUI(UINT id) { m_nID = id; }
    void Enable(BOOL on) override {
        CCmdUI::Enable(on);
        enabled = on;
    }
    void SetCheck(int check) override { checked = check; }
    void SetText(LPCTSTR text) override { this->text = text; }
    BOOL enabled = -1;
    int checked = -1;
    std::u16string text;
};

class FrameworkRoutingTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        trace.clear();
        app.AddDocTemplate(docTemplate);
        document = docTemplate->OpenDocumentFile(nullptr);
        ASSERT_NE(document, nullptr);
        POSITION position = document->GetFirstViewPosition();
        view = static_cast<RoutingView*>(document->GetNextView(position));
        frame = static_cast<RoutingFrame*>(view->GetParentFrame());
        trace.clear();
    }
    void TearDown() override {
        if (IsWindow(frameHandle())) frame->DestroyWindow();
        ui::PumpWaitingMessages();
        UiTest::TearDown();
    }
    HWND frameHandle() { return frame ? frame->m_hWnd : nullptr; }

    RoutingApp app;
    RoutingTemplate* docTemplate = new RoutingTemplate;  // owned by the application
    CDocument* document = nullptr;
    RoutingView* view = nullptr;
    RoutingFrame* frame = nullptr;
};

TEST_F(FrameworkRoutingTest, ANewDocumentGetsAFrameWithItsPaneViewActiveAndUpdated) {
    EXPECT_TRUE(document->IsKindOf(RUNTIME_CLASS(RoutingDoc)));
    EXPECT_EQ(frame->GetActiveView(), view);
    EXPECT_EQ(frame->GetActiveDocument(), document);
    EXPECT_EQ(view->GetDlgCtrlID(), AFX_IDW_PANE_FIRST);
    EXPECT_EQ(view->GetDocument(), document);
    EXPECT_EQ(app.m_pMainWnd, frame);
    EXPECT_EQ(document->GetTitle(), CString(u"Untitled"));
    ASSERT_EQ(view->updates.size(), 1u);  // OnInitialUpdate's OnUpdate(NULL, 0, NULL)
    EXPECT_EQ(view->updates[0].sender, nullptr);
    EXPECT_TRUE(IsWindowVisible(frameHandle()));
    // The pane fills the client area.
    RECT client{}, pane{};
    frame->GetClientRect(&client);
    view->GetClientRect(&pane);
    EXPECT_EQ(pane.right, client.right);
    EXPECT_EQ(pane.bottom, client.bottom);
}

TEST_F(FrameworkRoutingTest, CommandsGoToTheFirstTargetInFrameworkOrder) {
    struct Case {
        UINT id;
        std::vector<std::string> handlers;
    };
    const Case cases[] = {
        {kViewCommand, {"view"}},   {kDocumentCommand, {"document"}}, {kTemplateCommand, {"template"}},
        {kFrameCommand, {"frame"}}, {kAppCommand, {"application"}},   {kPassOnCommand, {"view passes on", "document"}},
        {kNobodyCommand, {}},
    };
    for (const Case& routed : cases) {
        trace.clear();
        SendMessageW(frameHandle(), WM_COMMAND, MAKEWPARAM(routed.id, 0), 0);
        EXPECT_EQ(trace, routed.handlers) << "command " << routed.id;
    }
}

TEST_F(FrameworkRoutingTest, ACommandItsUpdateUIDisablesIsNotRunFromAMenuOrAccelerator) {
    SendMessageW(frameHandle(), WM_COMMAND, MAKEWPARAM(kDisabledCommand, 0), 0);
    SendMessageW(frameHandle(), WM_COMMAND, MAKEWPARAM(kDisabledCommand, 1), 0);
    EXPECT_TRUE(trace.empty());
    SendMessageW(frameHandle(), WM_COMMAND, MAKEWPARAM(kCheckedCommand, 1), 0);
    EXPECT_EQ(trace, std::vector<std::string>{"frame"});
}

TEST_F(FrameworkRoutingTest, UpdateUIEnablesWhatSomeTargetHandlesAndRunsUpdateHandlers) {
    struct Case {
        UINT id;
        BOOL enabled;
        int checked;
    };
    const Case cases[] = {
        {kViewCommand, TRUE, -1},      {kAppCommand, TRUE, -1},    {kNobodyCommand, FALSE, -1},
        {kDisabledCommand, FALSE, -1}, {kCheckedCommand, TRUE, 1},
    };
    for (const Case& item : cases) {
        RecordingCmdUI cmdUI(item.id);
        cmdUI.DoUpdate(frame, TRUE);
        EXPECT_EQ(cmdUI.enabled, item.enabled) << "command " << item.id;
        EXPECT_EQ(cmdUI.checked, item.checked) << "command " << item.id;
    }
    // Without bDisableIfNoHndler an item nobody handles is left alone.
    RecordingCmdUI untouched(kNobodyCommand);
    untouched.DoUpdate(frame, FALSE);
    EXPECT_EQ(untouched.enabled, -1);
    EXPECT_TRUE(trace.empty());  // update-UI runs no command
}

TEST_F(FrameworkRoutingTest, UpdateAllViewsTellsEveryOtherViewInOrderWithTheHint) {
    CCreateContext context;
    context.m_pCurrentDoc = document;
    auto* second = new RoutingView;
    auto* third = new RoutingView;
    ASSERT_TRUE(second->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, frame, 2, &context));
    ASSERT_TRUE(third->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, frame, 3, &context));
    view->updates.clear();
    CObject* hintObject = second;  // any object: it stays the caller's

    document->UpdateAllViews(second, 7, hintObject);

    ASSERT_EQ(view->updates.size(), 1u);
    EXPECT_EQ(view->updates[0].sender, second);
    EXPECT_EQ(view->updates[0].hint, 7);
    EXPECT_EQ(view->updates[0].hintObject, hintObject);
    EXPECT_TRUE(second->updates.empty());
    ASSERT_EQ(third->updates.size(), 1u);
    EXPECT_EQ(third->updates[0].hint, 7);

    std::vector<CView*> order;
    for (POSITION position = document->GetFirstViewPosition(); position;)
        order.push_back(document->GetNextView(position));
    EXPECT_EQ(order, (std::vector<CView*>{view, second, third}));
}

TEST_F(FrameworkRoutingTest, ClosingTheMainFrameDestroysViewsThenTheDocumentThenTheFrameAndQuits) {
    HWND hwnd = frameHandle();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    frame = nullptr;
    EXPECT_EQ(trace, (std::vector<std::string>{"view deleted", "document deleted", "frame deleted"}));
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(docTemplate->GetFirstDocPosition(), nullptr);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(FrameworkRoutingTest, ASecondFrameClosesAloneAndTheProgramGoesOn) {
    CDocument* second = docTemplate->OpenDocumentFile(nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetTitle(), CString(u"Untitled"));
    POSITION position = second->GetFirstViewPosition();
    CFrameWnd* secondFrame = second->GetNextView(position)->GetParentFrame();
    trace.clear();
    SendMessageW(secondFrame->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(trace, (std::vector<std::string>{"view deleted", "document deleted", "frame deleted"}));
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(app.m_pMainWnd, frame);
    position = docTemplate->GetFirstDocPosition();
    EXPECT_EQ(docTemplate->GetNextDoc(position), document);
    EXPECT_EQ(position, nullptr);
}

TEST_F(FrameworkRoutingTest, AControlsNotificationReachesItsParentViewFirst) {
    // WM_NOTIFY from a control with id 100 inside the view goes to the
    // view's map, then the document's (none here): not handled.
    NMHDR header{nullptr, 100, NM_RCLICK};
    EXPECT_EQ(SendMessageW(view->m_hWnd, WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&header)), 0);
    // A WM_COMMAND from a control is the control's notification: routed from
    // the parent, never checked against update-UI.
    SendMessageW(view->m_hWnd, WM_COMMAND, MAKEWPARAM(kDocumentCommand, 0), reinterpret_cast<LPARAM>(view->m_hWnd));
    EXPECT_EQ(trace, std::vector<std::string>{"document"});
}

}  // namespace
