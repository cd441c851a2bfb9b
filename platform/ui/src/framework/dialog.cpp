#include "ui/framework/dialog.h"

#include "dialog_host.h"
#include "ui/dialog_resource.h"
#include "ui/framework/dc.h"
#include "ui/framework/win_app.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    // The window goes while this object can still take its last messages.
    host_.reset();
}

HWND CDialog::MakeHost(UINT nIDTemplate, CWnd* pParentWnd, bool modal, INT_PTR* result) {
    if (host_ && host_->Exists()) return nullptr;
    const ui::DialogTemplate* dialogTemplate = ui::FindDialogTemplate(static_cast<int>(nIDTemplate));
    if (!dialogTemplate) return nullptr;
    m_nIDTemplate = nIDTemplate;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND ownerHandle = owner && IsWindow(owner->GetSafeHwnd()) ? owner->GetSafeHwnd() : nullptr;
    host_ = std::make_unique<ui::detail::DialogHost>(*dialogTemplate, *this);
    if (modal) {
        *result = host_->DoModal(ownerHandle);
        return nullptr;
    }
    return host_->Create(ownerHandle);
}

INT_PTR CDialog::DoModal() {
    INT_PTR result = -1;
    MakeHost(m_nIDTemplate, nullptr, true, &result);
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    return MakeHost(nIDTemplate, pParentWnd, false, nullptr) != nullptr;
}

void CDialog::EndDialog(int nResult) {
    if (host_ && host_->Exists()) host_->EndDialog(nResult);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // As CWnd's, with the host's handle: the CDialog has no window of its own.
    m_hWnd = host_ ? host_->Handle() : nullptr;
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        m_hWnd = nullptr;
        PostNcDestroy();
    }
    return result;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return host_ && host_->Exists() ? host_->DefaultWindowProc(message, wParam, lParam) : 0;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

HBRUSH CDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    return reinterpret_cast<HBRUSH>(DefWindowProc(WM_CTLCOLORMSGBOX + nCtlColor,
                                                  reinterpret_cast<WPARAM>(pDC ? pDC->GetSafeHdc() : nullptr),
                                                  reinterpret_cast<LPARAM>(pWnd ? pWnd->GetSafeHwnd() : nullptr)));
}

BOOL CDialog::OnEraseBkgnd(CDC* pDC) {
    return static_cast<BOOL>(
        DefWindowProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(pDC ? pDC->GetSafeHdc() : nullptr), 0));
}
