// The framework's command routing beside its floor, measured in the same
// run: one command routed from a frame through its active view, the view's
// document, the template and the frame to the application (the longest
// route, each target's map searched), and the update-UI pass over 150
// commands of a frame; the floor is one lookup of the handler in a hash map
// of the 150 ids and an indirect call. See README.md.
#include "ui/application.h"
#include "ui/framework/doc_template.h"
#include "ui/framework/document.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/view.h"
#include "ui/framework/win_app.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <unordered_map>

namespace {

constexpr UINT kFirst = 33000;
constexpr UINT kCount = 150;
int handled = 0;

class BenchDoc : public CDocument {
    DECLARE_DYNCREATE(BenchDoc)
protected:
    void OnDocCommand(UINT) { ++handled; }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(BenchDoc, CDocument)
BEGIN_MESSAGE_MAP(BenchDoc, CDocument)
ON_COMMAND_RANGE(kFirst, kFirst + 9, &BenchDoc::OnDocCommand)
END_MESSAGE_MAP()

class BenchView : public CView {
    DECLARE_DYNCREATE(BenchView)
public:
    void OnDraw(CDC*) override {}

protected:
    void OnViewCommand(UINT) { ++handled; }
    void OnUpdateView(CCmdUI* cmdUI) { cmdUI->Enable(TRUE); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(BenchView, CView)
BEGIN_MESSAGE_MAP(BenchView, CView)
ON_COMMAND_RANGE(kFirst + 10, kFirst + 39, &BenchView::OnViewCommand)
ON_UPDATE_COMMAND_UI_RANGE(kFirst + 10, kFirst + 39, &BenchView::OnUpdateView)
END_MESSAGE_MAP()

class BenchFrame : public CFrameWnd {
    DECLARE_DYNCREATE(BenchFrame)
protected:
    void OnFrameCommand(UINT) { ++handled; }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(BenchFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(BenchFrame, CFrameWnd)
ON_COMMAND_RANGE(kFirst + 40, kFirst + 99, &BenchFrame::OnFrameCommand)
END_MESSAGE_MAP()

class BenchApp : public CWinApp {
protected:
    void OnAppCommand(UINT) { ++handled; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BenchApp, CWinApp)
ON_COMMAND_RANGE(kFirst + 100, kFirst + kCount - 1, &BenchApp::OnAppCommand)
END_MESSAGE_MAP()

class CountingCmdUI : public CCmdUI {
public:
    void Enable(BOOL on) override {
        m_bEnableChanged = TRUE;
        enabled += on ? 1 : 0;
    }
    int enabled = 0;
};

struct Setup {
    Setup() {
        static int argc = 1;
        static char name[] = "framework_benchmark";
        static char* argv[] = {name, nullptr};
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        application = new ui::Application(argc, argv);
        app.AddDocTemplate(
            new CMultiDocTemplate(128, RUNTIME_CLASS(BenchDoc), RUNTIME_CLASS(BenchFrame), RUNTIME_CLASS(BenchView)));
        CDocument* document = app.OpenDocumentFile(nullptr);
        POSITION position = document->GetFirstViewPosition();
        frame = document->GetNextView(position)->GetParentFrame();
    }
    ui::Application* application;
    BenchApp app;
    CFrameWnd* frame = nullptr;
};

Setup& TheSetup() {
    static Setup setup;
    return setup;
}

void BM_RouteCommandToApplication(benchmark::State& state) {
    CFrameWnd* frame = TheSetup().frame;
    handled = 0;
    for (auto _ : state) benchmark::DoNotOptimize(frame->OnCmdMsg(kFirst + kCount - 1, CN_COMMAND, nullptr, nullptr));
    if (handled != static_cast<int>(state.iterations())) state.SkipWithError("the command was not handled");
}
BENCHMARK(BM_RouteCommandToApplication);

void BM_UpdatePassOver150Commands(benchmark::State& state) {
    CFrameWnd* frame = TheSetup().frame;
    int enabled = 0;
    for (auto _ : state) {
        CountingCmdUI cmdUI;
        for (UINT id = kFirst; id < kFirst + kCount; ++id) {
            cmdUI.m_nID = id;
            cmdUI.DoUpdate(frame, TRUE);
        }
        enabled = cmdUI.enabled;
    }
    if (enabled != static_cast<int>(kCount)) state.SkipWithError("not every command was enabled");
}
BENCHMARK(BM_UpdatePassOver150Commands);

// The floor: the handler of an id found in one hash map and called.
void BM_FloorHashLookupAndCall(benchmark::State& state) {
    std::unordered_map<UINT, std::function<void(UINT)>> handlers;
    for (UINT id = kFirst; id < kFirst + kCount; ++id) handlers[id] = [](UINT) { ++handled; };
    handled = 0;
    for (auto _ : state) {
        auto found = handlers.find(kFirst + kCount - 1);
        found->second(found->first);
        benchmark::ClobberMemory();
    }
    if (handled != static_cast<int>(state.iterations())) state.SkipWithError("the floor lost calls");
}
BENCHMARK(BM_FloorHashLookupAndCall);

}  // namespace

BENCHMARK_MAIN();
