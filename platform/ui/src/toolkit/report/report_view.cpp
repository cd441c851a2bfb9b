#include "ui/toolkit/report/report_view.h"

#include "ui/toolkit/report/report_control.h"

IMPLEMENT_DYNCREATE(CXTPReportView, CView)

BEGIN_MESSAGE_MAP(CXTPReportView, CView)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

namespace {

constexpr UINT kReportControlId = 100;

}  // namespace

CXTPReportView::CXTPReportView() : own_(std::make_unique<CXTPReportControl>()), control_(own_.get()) {}

CXTPReportView::~CXTPReportView() = default;

int CXTPReportView::OnCreate(LPCREATESTRUCT lpcs) {
    if (CView::OnCreate(lpcs) == -1) return -1;
    CRect client;
    GetClientRect(&client);
    if (own_ && !own_->Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, client, this, kReportControlId)) return -1;
    return 0;
}

void CXTPReportView::SetReportCtrl(CXTPReportControl* pReport) {
    if (!pReport || pReport == control_) return;
    control_ = pReport;
    own_.reset();  // its window goes with it
    LayoutControl();
}

void CXTPReportView::LayoutControl() {
    if (!m_hWnd || !control_->GetSafeHwnd()) return;
    CRect client;
    GetClientRect(&client);
    control_->MoveWindow(&client);
}

void CXTPReportView::OnSize(UINT, int, int) { LayoutControl(); }

void CXTPReportView::OnSetFocus(CWnd*) {
    if (control_->GetSafeHwnd()) control_->SetFocus();
}

BOOL CXTPReportView::OnEraseBkgnd(CDC*) {
    // The control covers the client area.
    return TRUE;
}

void CXTPReportView::OnDraw(CDC*) {}
