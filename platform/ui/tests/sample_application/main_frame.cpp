#include "sample_application/main_frame.h"

#include "sample_application/outline_view.h"
#include "sample_application/sample_resources.h"
#include "sample_application/sample_trace.h"
#include "sample_application/sample_view.h"
#include "ui/framework/create_context.h"
#include "ui/icons.h"
#include "ui/string_table.h"
#include "ui/toolkit/paint_manager.h"

IMPLEMENT_DYNCREATE(CMainFrame, CXTPFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CXTPFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_COMMAND(ID_VIEW_OUTLINE, &CMainFrame::OnViewOutline)
ON_UPDATE_COMMAND_UI(ID_VIEW_OUTLINE, &CMainFrame::OnUpdateViewOutline)
ON_MESSAGE(XTPWM_DOCKINGPANE_NOTIFY, &CMainFrame::OnDockingPaneNotify)
END_MESSAGE_MAP()

namespace {

// The tool bar's buttons in order; 0 starts a new group.
const UINT kToolBarButtons[] = {ID_FILE_NEW,     0, ID_EDIT_CUT, ID_EDIT_COPY,
                                ID_EDIT_PASTE,   0, ID_ITEM_ADD, ID_VIEW_GRID,
                                ID_VIEW_OUTLINE, 0, ID_APP_ABOUT};

constexpr int kUpperViewHeight = 260;

const UINT kIndicators[] = {0, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() { AddSampleTrace("frame deleted"); }

int CMainFrame::OnCreate(LPCREATESTRUCT lpcs) {
    // The client area (the views) first: CFrameWnd::OnCreate makes it.
    if (CXTPFrameWnd::OnCreate(lpcs) == -1) return -1;
    if (!InitCommandBars()) return -1;
    CXTPCommandBars* pCommandBars = GetCommandBars();
    pCommandBars->EnableCustomization(FALSE);
    if (!pCommandBars->SetMenu(u"Menu Bar", IDR_SAMPLETYPE)) return -1;
    if (!CreateToolBar() || !CreateStatusBar()) return -1;
    auto* pContext = lpcs ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
    if (!CreateOutlinePane(pContext)) return -1;
    pCommandBars->RedrawCommandBars();
    return 0;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (!m_wndSplitter.CreateStatic(this, 2, 1, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) return FALSE;
    if (!m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CSampleView), SIZE{0, kUpperViewHeight}, pContext) ||
        !m_wndSplitter.CreateView(1, 0, RUNTIME_CLASS(CSampleView), SIZE{0, 0}, pContext))
        return FALSE;
    SetActiveView(DYNAMIC_DOWNCAST(CView, m_wndSplitter.GetPane(0, 0)), FALSE);
    return TRUE;
}

BOOL CMainFrame::CreateToolBar() {
    CXTPToolBar* pToolBar = GetCommandBars()->Add(u"Standard", xtpBarTop);
    if (!pToolBar) return FALSE;
    pToolBar->SetShowGripper(FALSE);
    BOOL bBeginGroup = FALSE;
    for (UINT nID : kToolBarButtons) {
        if (nID == 0) {
            bBeginGroup = TRUE;
            continue;
        }
        CXTPControl* pControl = pToolBar->GetControls()->Add(xtpControlButton, static_cast<int>(nID));
        pControl->SetBeginGroup(bBeginGroup);
        bBeginGroup = FALSE;
        pControl->SetTooltip(ui::TooltipOf(nID).c_str());
        pControl->SetDescription(ui::StatusTextOf(nID).c_str());
        if (HICON hIcon = CreateCommandIcon(nID)) {
            pControl->SetCustomIcon(hIcon);  // keeps a copy
            DestroyIcon(hIcon);
            pControl->SetStyle(xtpButtonIcon);
        }
    }
    return TRUE;
}

BOOL CMainFrame::CreateStatusBar() {
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) return FALSE;
    return m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)));
}

BOOL CMainFrame::CreateOutlinePane(CCreateContext* pContext) {
    if (!m_paneManager.InstallDockingPanes(this)) return FALSE;
    m_paneManager.SetTheme(xtpPaneThemeGradient);
    CXTPDockingPane* pPane = m_paneManager.CreatePane(IDP_OUTLINE_PANE, RECT{0, 0, 215, 120}, xtpPaneDockLeft);
    if (!pPane) return FALSE;
    pPane->SetTitle(u"Outline");
    pPane->SetMinTrackSize(SIZE{177, 0});
    // The outline is a view of the frame's document like the split ones; the
    // pane takes it when it first shows (OnDockingPaneNotify).
    CCreateContext context;
    if (pContext) context = *pContext;
    context.m_pNewViewClass = RUNTIME_CLASS(COutlineView);
    m_pOutlineView = DYNAMIC_DOWNCAST(COutlineView, CreateView(&context, IDC_OUTLINE_VIEW));
    return m_pOutlineView != nullptr;
}

void CMainFrame::OnDestroy() {
    AddSampleTrace("frame destroyed");
    m_pOutlineView = nullptr;  // it goes with the frame's other children
}

LRESULT CMainFrame::OnDockingPaneNotify(WPARAM wParam, LPARAM lParam) {
    if (wParam != XTP_DPN_SHOWWINDOW) return FALSE;
    auto* pPane = reinterpret_cast<CXTPDockingPane*>(lParam);
    if (pPane->GetID() == IDP_OUTLINE_PANE && !pPane->IsValid() && m_pOutlineView) pPane->Attach(m_pOutlineView);
    return TRUE;
}

void CMainFrame::OnViewOutline() {
    if (CXTPDockingPane* pPane = m_paneManager.FindPane(IDP_OUTLINE_PANE)) pPane->Show(pPane->IsClosed());
}

void CMainFrame::OnUpdateViewOutline(CCmdUI* pCmdUI) {
    CXTPDockingPane* pPane = m_paneManager.FindPane(IDP_OUTLINE_PANE);
    pCmdUI->Enable(pPane != nullptr);
    pCmdUI->SetCheck(pPane && !pPane->IsClosed() ? 1 : 0);
}
