#include "sample_application/outline_view.h"

#include "sample_application/sample_doc.h"
#include "sample_application/sample_trace.h"
#include "ui/framework/dc.h"
#include "ui/system_metrics.h"
#include "ui/toolkit/color_manager.h"
#include "ui/window_functions.h"

IMPLEMENT_DYNCREATE(COutlineView, CView)

BEGIN_MESSAGE_MAP(COutlineView, CView)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {

constexpr int kCaptionHeight = 24;
constexpr int kLineHeight = 22;
constexpr UINT kCaptionId = 1;

int g_nOutlinesMade = 0;

}  // namespace

COutlineView::COutlineView() : m_strTraceName("outline " + std::to_string(++g_nOutlinesMade)) {}

COutlineView::~COutlineView() { AddSampleTrace(m_strTraceName + " deleted"); }

CSampleDoc* COutlineView::GetDocument() const { return DYNAMIC_DOWNCAST(CSampleDoc, m_pDocument); }

int COutlineView::OnCreate(LPCREATESTRUCT lpcs) {
    if (CView::OnCreate(lpcs) == -1) return -1;
    if (!m_wndCaption.Create(this, u"Outline", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
                             RECT{0, 0, 200, kCaptionHeight}, kCaptionId))
        return -1;
    CXTPColorManager* colours = XTPColorManager();
    m_wndCaption.SetCaptionColors(colours->GetColor(COLOR_BTNFACE), colours->GetColor(COLOR_BTNSHADOW),
                                  colours->GetColor(COLOR_WINDOWTEXT));
    return 0;
}

void COutlineView::OnSize(UINT, int cx, int) {
    if (m_wndCaption.Exists()) ::MoveWindow(m_wndCaption.Handle(), 0, 0, cx, kCaptionHeight, TRUE);
}

BOOL COutlineView::OnEraseBkgnd(CDC*) {
    return TRUE;  // OnDraw fills the whole client area
}

void COutlineView::OnDraw(CDC* pDC) {
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, ::GetSysColor(COLOR_WINDOW));
    CSampleDoc* pDoc = GetDocument();
    if (!pDoc) return;
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(::GetSysColor(COLOR_WINDOWTEXT));
    int y = kCaptionHeight + 6;
    for (const CSampleItem& item : pDoc->GetItems()) {
        // A swatch of the item's colour, then its name.
        pDC->FillSolidRect(10, y + 5, 12, 12, item.m_crColour);
        CRect line(30, y, client.right - 4, y + kLineHeight);
        pDC->DrawText(item.m_strName.GetString(), &line, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        y += kLineHeight;
    }
}

void COutlineView::OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) {
    AddSampleTrace(m_strTraceName + ": update " + std::to_string(lHint));
    CView::OnUpdate(pSender, lHint, pHint);
}
