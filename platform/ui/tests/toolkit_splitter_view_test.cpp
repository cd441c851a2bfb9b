// Views made by a static splitter inside a toolkit frame: the panes are
// framework windows of their run-time classes over the frame's document,
// reached by the frame's initial update, the document's updates and the
// routed commands of the active view; a frame can be a pane itself.
#include "ui/framework/create_context.h"
#include "ui/framework/document.h"
#include "ui/framework/view.h"
#include "ui/message_queue.h"
#include "ui/toolkit/frame_wnd.h"
#include "ui/toolkit/splitter_wnd.h"
#include "ui/window_functions.h"
#include "ui/window_styles.h"
#include "ui_testing/ui_test.h"

#include <QCoreApplication>
#include <QSplitter>

#include <string>
#include <vector>

namespace {

constexpr UINT kPaneCommand = 40200;  // both views handle it
constexpr LPARAM kHint = 7;

class SplitDoc : public CDocument {
public:
    bool* deleted = nullptr;
    ~SplitDoc() override {
        if (deleted) *deleted = true;
    }
};

// A view that keeps what reached it.
class TraceView : public CView {
public:
    void OnDraw(CDC*) override {}
    void OnInitialUpdate() override {
        ++initialUpdates;
        CView::OnInitialUpdate();
    }
    void OnUpdate(CView*, LPARAM hint, CObject*) override { hints.push_back(hint); }
    int initialUpdates = 0;
    std::vector<LPARAM> hints;
    std::vector<std::string> commands;
};

class UpperView : public TraceView {
    DECLARE_DYNCREATE(UpperView)
protected:
    void OnPaneCommand() { commands.push_back("upper"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(UpperView, CView)
BEGIN_MESSAGE_MAP(UpperView, CView)
ON_COMMAND(kPaneCommand, &UpperView::OnPaneCommand)
END_MESSAGE_MAP()

class LowerView : public TraceView {
    DECLARE_DYNCREATE(LowerView)
protected:
    void OnPaneCommand() { commands.push_back("lower"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(LowerView, CView)
BEGIN_MESSAGE_MAP(LowerView, CView)
ON_COMMAND(kPaneCommand, &LowerView::OnPaneCommand)
END_MESSAGE_MAP()

class NotAWindow : public CObject {
    DECLARE_DYNCREATE(NotAWindow)
};
IMPLEMENT_DYNCREATE(NotAWindow, CObject)

// A frame made as a pane: its own view is the context's view class.
class InnerFrame : public CFrameWnd {
    DECLARE_DYNCREATE(InnerFrame)
};
IMPLEMENT_DYNCREATE(InnerFrame, CFrameWnd)

// The frame under test: its client area is a 2 x 1 static splitter whose
// panes are made of the classes given.
class SplitFrame : public CXTPFrameWnd {
public:
    CRuntimeClass* upperClass = RUNTIME_CLASS(UpperView);
    CRuntimeClass* lowerClass = RUNTIME_CLASS(LowerView);
    CXTPSplitterWnd splitter;

protected:
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) override {
        if (!splitter.CreateStatic(this, 2, 1, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
        if (!splitter.CreateView(0, 0, upperClass, SIZE{0, 0}, pContext)) return FALSE;
        if (!splitter.CreateView(1, 0, lowerClass, SIZE{0, 0}, pContext)) return FALSE;
        splitter.SetRowInfo(0, 120, 0);
        SetActiveView(static_cast<CView*>(splitter.GetPane(0, 0)), FALSE);
        return TRUE;
    }
};

class SplitterViewTest : public ui_testing::UiTest {
protected:
    // Makes the frame over a new document; the views join the document and
    // get their first update.
    void Open(CRuntimeClass* lowerClass, CRuntimeClass* nestedView = nullptr) {
        document = new SplitDoc;
        document->deleted = &documentDeleted;
        frame = new SplitFrame;  // deletes itself when destroyed
        frame->lowerClass = lowerClass;
        CCreateContext context;
        context.m_pCurrentDoc = document;
        context.m_pNewViewClass = nestedView;
        ASSERT_TRUE(frame->Create(nullptr, u"Split", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, nullptr, nullptr, 0,
                                  &context));
        handle = frame->GetSafeHwnd();
        frame->InitialUpdateFrame(document, TRUE);
    }
    void TearDown() override {
        if (IsWindow(handle)) DestroyWindow(handle);
        EXPECT_TRUE(documentDeleted) << "the last view going closes the document";
        UiTest::TearDown();
    }
    template <class View>
    View* Pane(int row, int col) {
        return dynamic_cast<View*>(frame->splitter.GetPane(row, col));
    }

    SplitDoc* document = nullptr;
    bool documentDeleted = false;
    SplitFrame* frame = nullptr;
    HWND handle = nullptr;
};

TEST_F(SplitterViewTest, PanesAreViewsOfTheirClassesOverTheFramesDocument) {
    Open(RUNTIME_CLASS(LowerView));
    EXPECT_EQ(frame->GetDlgItem(AFX_IDW_PANE_FIRST), &frame->splitter);
    auto* upper = Pane<UpperView>(0, 0);
    auto* lower = Pane<LowerView>(1, 0);
    ASSERT_NE(upper, nullptr);
    ASSERT_NE(lower, nullptr);
    EXPECT_TRUE(upper->IsKindOf(RUNTIME_CLASS(UpperView)));
    EXPECT_FALSE(lower->IsKindOf(RUNTIME_CLASS(UpperView)));
    EXPECT_EQ(upper->GetDlgCtrlID(), 59648);
    EXPECT_EQ(lower->GetDlgCtrlID(), 59664);
    EXPECT_EQ(upper->GetParent(), &frame->splitter);
    EXPECT_EQ(upper->GetParentFrame(), frame);
    EXPECT_EQ(frame->splitter.GetPane(2, 0), nullptr);

    // The splitter shows the panes in their rows.
    auto* widget = static_cast<QSplitter*>(frame->splitter.Widget());
    ASSERT_EQ(widget->count(), 2);
    EXPECT_EQ(widget->widget(0), upper->Widget());
    EXPECT_EQ(widget->widget(1), lower->Widget());

    // One initial update each, from the frame; then every document update.
    EXPECT_EQ(upper->initialUpdates, 1);
    EXPECT_EQ(lower->initialUpdates, 1);
    EXPECT_EQ(upper->GetDocument(), document);
    EXPECT_EQ(lower->GetDocument(), document);
    document->UpdateAllViews(nullptr, kHint);
    EXPECT_EQ(upper->hints, (std::vector<LPARAM>{0, kHint}));
    EXPECT_EQ(lower->hints, (std::vector<LPARAM>{0, kHint}));
    document->UpdateAllViews(upper, kHint + 1);
    EXPECT_EQ(upper->hints.size(), 2u) << "the sender is not told";
    EXPECT_EQ(lower->hints.back(), kHint + 1);
}

TEST_F(SplitterViewTest, PanesKeepTheirIdealSizesAsTheFrameResizesUntilTheUserDragsABar) {
    Open(RUNTIME_CLASS(LowerView));
    auto* upper = Pane<UpperView>(0, 0);
    auto* lower = Pane<LowerView>(1, 0);
    ASSERT_TRUE(upper && lower);
    QWidget* main = frame->Widget();
    for (int height : {480, 640, 400}) {
        main->resize(640, height);
        QCoreApplication::processEvents();
        EXPECT_EQ(upper->Widget()->height(), 120) << height;
        EXPECT_GT(lower->Widget()->height(), 0) << height;
    }
    // A drag is the user's: resizing keeps Qt's share from then on.
    auto* widget = static_cast<QSplitter*>(frame->splitter.Widget());
    widget->setSizes({200, widget->height() - 200});
    emit widget->splitterMoved(200, 1);
    main->resize(640, 700);
    QCoreApplication::processEvents();
    EXPECT_GT(upper->Widget()->height(), 200);
}

TEST_F(SplitterViewTest, TheActivePaneTakesTheFramesCommands) {
    Open(RUNTIME_CLASS(LowerView));
    auto* upper = Pane<UpperView>(0, 0);
    auto* lower = Pane<LowerView>(1, 0);
    ASSERT_TRUE(upper && lower);
    EXPECT_EQ(frame->GetActiveView(), upper);
    SendMessageW(handle, WM_COMMAND, kPaneCommand, 0);
    frame->SetActiveView(lower);
    SendMessageW(handle, WM_COMMAND, kPaneCommand, 0);
    EXPECT_EQ(upper->commands, (std::vector<std::string>{"upper"}));
    EXPECT_EQ(lower->commands, (std::vector<std::string>{"lower"}));
}

TEST_F(SplitterViewTest, AFrameInAPaneHasItsOwnViewAndActiveView) {
    Open(RUNTIME_CLASS(InnerFrame), RUNTIME_CLASS(LowerView));
    auto* inner = Pane<InnerFrame>(1, 0);
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(inner->IsChild());
    EXPECT_EQ(inner->GetDlgCtrlID(), 59664);
    EXPECT_EQ(inner->GetParentFrame(), frame);
    EXPECT_EQ(inner->GetTopLevelFrame(), frame);
    EXPECT_EQ(inner->Widget()->parentWidget(), frame->splitter.Widget());

    // The inner frame made the context's view in its own client area; the
    // outer frame's initial update reached it.
    auto* view = dynamic_cast<LowerView*>(inner->GetDlgItem(AFX_IDW_PANE_FIRST));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetParentFrame(), inner);
    EXPECT_EQ(view->GetDocument(), document);
    EXPECT_EQ(view->initialUpdates, 1);
    document->UpdateAllViews(nullptr, kHint);
    EXPECT_EQ(view->hints.back(), kHint);

    // The view fills the inner frame's client area.
    inner->Widget()->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->Widget()->size(), inner->ClientWidget()->size());

    // Each frame routes to its own active view.
    inner->SetActiveView(view);
    SendMessageW(inner->GetSafeHwnd(), WM_COMMAND, kPaneCommand, 0);
    EXPECT_EQ(view->commands, (std::vector<std::string>{"lower"}));
    SendMessageW(handle, WM_COMMAND, kPaneCommand, 0);
    EXPECT_EQ(Pane<UpperView>(0, 0)->commands, (std::vector<std::string>{"upper"}));
}

TEST_F(SplitterViewTest, CreateViewRefusesTakenPlacesAndClassesThatAreNoWindows) {
    Open(RUNTIME_CLASS(LowerView));
    CXTPSplitterWnd& splitter = frame->splitter;
    CCreateContext context;
    context.m_pCurrentDoc = document;
    EXPECT_FALSE(splitter.CreateView(0, 0, RUNTIME_CLASS(LowerView), SIZE{0, 0}, &context)) << "taken";
    EXPECT_FALSE(splitter.CreateView(2, 0, RUNTIME_CLASS(LowerView), SIZE{0, 0}, &context)) << "no such row";
    EXPECT_FALSE(splitter.CreateView(0, 1, RUNTIME_CLASS(LowerView), SIZE{0, 0}, &context)) << "no such column";

    // A splitter of its own, filled without a context, joins the active
    // view's document and updates the new view at once.
    CXTPSplitterWnd second;
    ASSERT_TRUE(second.CreateStatic(Pane<UpperView>(0, 0), 1, 2));
    EXPECT_FALSE(second.CreateView(0, 0, RUNTIME_CLASS(NotAWindow), SIZE{0, 0}, nullptr)) << "no window class";
    ASSERT_TRUE(second.CreateView(0, 1, RUNTIME_CLASS(LowerView), SIZE{80, 0}, nullptr));
    auto* made = dynamic_cast<LowerView*>(second.GetPane(0, 1));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetDocument(), document);
    EXPECT_EQ(made->initialUpdates, 1);
    EXPECT_EQ(second.GetPane(0, 0), nullptr);
    second.DestroyWindow();
}

}  // namespace
