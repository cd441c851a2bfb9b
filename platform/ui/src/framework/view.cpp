#include "ui/framework/view.h"

#include "ui/window_class.h"
#include "ui/framework/create_context.h"
#include "ui/framework/dc.h"
#include "ui/framework/document.h"
#include "ui/framework/frame_wnd.h"

#include <QWidget>

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_MOUSEACTIVATE()
ON_MESSAGE(WM_INITIALUPDATE, &CView::OnInitialUpdateMessage)
END_MESSAGE_MAP()

namespace {

constexpr int kMouseActivate = 1;  // MA_ACTIVATE

}  // namespace

CView::CView() = default;

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style |= WS_CLIPSIBLINGS;
    return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
    auto* context = lpcs ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
    if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy() {
    CFrameWnd* frame = GetParentFrame();
    if (frame && frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
}

void CView::OnPaint() {
    CPaintDC dc(this);
    OnDraw(&dc);
}

int CView::OnMouseActivate(CWnd*, UINT, UINT) {
    if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() != this) frame->SetActiveView(this);
    return kMouseActivate;
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
    OnInitialUpdate();
    return 0;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
    // The view of an active window takes the keyboard focus.
    if (bActivate && pActivateView == this && Widget() && Widget()->window()->isActiveWindow()) SetFocus();
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CView::PostNcDestroy() { delete this; }
