#include "ui/framework/wnd.h"

#include "ui/window_class.h"
#include "framework_window_host.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "ui/framework/frame_wnd.h"
#include "ui/dialog.h"
#include "ui/input.h"
#include "ui/notify_header.h"
#include "ui/framework/win_app.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui/window_styles.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <unordered_map>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

// A framework window's plain widget: the title bar's close is a WM_CLOSE
// for the window to handle.
class WndWidget : public QWidget {
public:
    WndWidget(QWidget* parent, Qt::WindowFlags flags, CWnd* owner) : QWidget(parent, flags), owner_(owner) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (HWND hwnd = owner_->Handle()) SendMessageW(hwnd, WM_CLOSE, 0, 0);
    }

private:
    CWnd* owner_;
};

// Asks the update-UI of a command only whether it is enabled.
class EnabledQuery : public CCmdUI {
public:
    void Enable(BOOL bOn) override {
        enabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetText(LPCTSTR) override {}
    BOOL enabled = TRUE;
};

}  // namespace

CWnd::CWnd() = default;

CWnd::~CWnd() {
    // The derived parts are gone: the window goes without their handlers,
    // and PostNcDestroy is CWnd's own, which deletes nothing.
    if (Exists()) ::DestroyWindow(Handle());
}

namespace {

// The CWnds standing for windows that are no framework window (a dialog's
// controls), kept while their window exists.
std::unordered_map<HWND, std::unique_ptr<CWnd>>& Wrappers() {
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> wrappers;
    return wrappers;
}

}  // namespace

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    ui::Window* window = ui::WindowFromHandle(hwnd);
    if (auto* host = dynamic_cast<ui::detail::FrameworkWindowHost*>(window)) return host->FrameworkWindow();
    return dynamic_cast<CWnd*>(window);
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!ui::WindowFromHandle(hwnd)) return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hwnd)) return permanent;
    auto& wrappers = Wrappers();
    // Handles are never reused: wrappers of gone windows are only dropped.
    std::erase_if(wrappers, [](const auto& entry) { return !IsWindow(entry.first); });
    std::unique_ptr<CWnd>& wrapper = wrappers[hwnd];
    if (!wrapper) {
        wrapper = std::make_unique<CWnd>();
        wrapper->m_hWnd = hwnd;
    }
    return wrapper.get();
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    if (Exists() || !ui::detail::WidgetsAvailable()) return FALSE;
    CREATESTRUCT cs{};
    cs.lpCreateParams = lpParam;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID));
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    cs.x = rect.left;
    cs.y = rect.top;
    // CW_USEDEFAULT leaves the size to the framework (no width to compute).
    cs.cx = rect.left == CW_USEDEFAULT ? 0 : rect.right - rect.left;
    cs.cy = rect.left == CW_USEDEFAULT ? 0 : rect.bottom - rect.top;
    cs.style = static_cast<LONG>(dwStyle);
    cs.lpszName = lpszWindowName;
    cs.lpszClass = lpszClassName;
    cs.dwExStyle = dwExStyle;
    // Every failure before the window exists ends as a destroyed window
    // would: PostNcDestroy (frames and views delete themselves).
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    bool child = (cs.style & WS_CHILD) != 0;
    QWidget* parentWidget = nullptr;
    if (cs.hwndParent) {
        ui::Window* parent = ui::detail::WindowOrError(cs.hwndParent);
        if (!parent || !parent->Widget()) {
            PostNcDestroy();
            return FALSE;
        }
        parentWidget = child ? parent->ClientWidget() : parent->Widget();
    } else if (child) {
        SetLastError(ERROR_INVALID_PARAMETER);
        PostNcDestroy();
        return FALSE;
    }
    QWidget* widget = CreateWidget(parentWidget, child);
    if (cs.x == CW_USEDEFAULT)
        widget->resize(960, 640);
    else
        widget->setGeometry(cs.x, cs.y, std::max(cs.cx, 0), std::max(cs.cy, 0));
    widget->setWindowTitle(ui::detail::ToQString(cs.lpszName));
    widget->setEnabled((cs.style & WS_DISABLED) == 0);
    controlId_ = child ? static_cast<int>(reinterpret_cast<UINT_PTR>(cs.hMenu)) : 0;
    HWND hwnd = Attach(widget, cs.hwndParent, child, cs.lpszClass ? std::u16string(cs.lpszClass) : u"AfxWnd");
    if (!hwnd) {
        PostNcDestroy();
        return FALSE;
    }
    m_hWnd = hwnd;
    SetWindowLongW(hwnd, GWL_STYLE, cs.style);
    SetWindowLongW(hwnd, GWL_EXSTYLE, static_cast<LONG>(cs.dwExStyle));
    if (child) SetWindowLongW(hwnd, GWL_ID, controlId_);
    if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        // The object may delete itself on the way (PostNcDestroy): touch
        // nothing of it after.
        ::DestroyWindow(hwnd);
        return FALSE;
    }
    if (cs.style & WS_VISIBLE)
        widget->show();
    else if (child)
        widget->hide();  // a child shows with its parent only when asked
    return TRUE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

QWidget* CWnd::CreateWidget(QWidget* parent, bool child) {
    return new WndWidget(parent, child ? Qt::Widget : Qt::Window, this);
}

BOOL CWnd::DestroyWindow() { return ::DestroyWindow(m_hWnd); }

void CWnd::PostNcDestroy() {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    m_hWnd = Handle();
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        m_hWnd = nullptr;
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this) {
            // The main window is gone: the program ends.
            app->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        PostNcDestroy();  // may delete this
    }
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT answer = 0;
        if (!OnNotify(wParam, lParam, &answer)) return FALSE;
        *pResult = answer;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(GetMessageMap(), message);
    if (!entry) return FALSE;
    ui::detail::MessageCall call{message, wParam, lParam, 0, nullptr, TRUE};
    *pResult = entry->pfn(this, call);
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ui::Window::WindowProc(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    auto nID = static_cast<UINT>(LOWORD(static_cast<DWORD>(wParam)));
    int nCode = HIWORD(static_cast<DWORD>(wParam));
    if (lParam == 0) {
        // A menu item or an accelerator: a command its update-UI disables
        // is dropped (the accelerator of a greyed item does nothing).
        if (nID == 0) return FALSE;
        EnabledQuery query;
        query.m_nID = nID;
        OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &query, nullptr);
        if (!query.enabled) return TRUE;
        nCode = CN_COMMAND;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header) return FALSE;
    AFX_NOTIFY notify{pResult, header};
    return OnCmdMsg(static_cast<UINT>(header->idFrom), MAKELONG(header->code, WM_NOTIFY), &notify, nullptr);
}

DWORD CWnd::GetStyle() const { return static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE)); }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) { return ui::ModifyStyle(m_hWnd, dwRemove, dwAdd); }

int CWnd::GetDlgCtrlID() const { return Exists() ? controlId_ : ::GetDlgCtrlID(m_hWnd); }

int CWnd::SetDlgCtrlID(int nID) {
    int previous = controlId_;
    controlId_ = nID;
    if (IsChild()) SetWindowLongW(Handle(), GWL_ID, nID);
    return previous;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!m_hWnd) return nullptr;
    for (HWND hwnd : ui::detail::AllWindows()) {
        ui::Window* window = ui::detail::LookupWindow(hwnd);
        if (window && window->Parent() == m_hWnd && window->IsChild() && ::GetDlgCtrlID(hwnd) == nID)
            return FromHandle(hwnd);
    }
    return nullptr;
}

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

CFrameWnd* CWnd::GetParentFrame() const {
    const ui::Window* window = this;
    while (window && window->IsChild()) {
        window = ui::WindowFromHandle(window->Parent());
        if (auto* frame = dynamic_cast<CFrameWnd*>(const_cast<ui::Window*>(window))) return frame;
    }
    return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
    auto* frame = dynamic_cast<CFrameWnd*>(const_cast<CWnd*>(this));
    if (!frame) frame = GetParentFrame();
    while (frame && frame->GetParentFrame()) frame = frame->GetParentFrame();
    return frame;
}

CWnd* CWnd::GetTopLevelParent() const {
    const ui::Window* window = this;
    while (window && window->IsChild()) window = ui::WindowFromHandle(window->Parent());
    return dynamic_cast<CWnd*>(const_cast<ui::Window*>(window));
}

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

void CWnd::SetWindowText(LPCTSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }

void CWnd::GetWindowText(CString& rString) const {
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(m_hWnd, text.data(), length + 1)));
    rString = CString(text.c_str());
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (!lpRect) return;
    if (!Exists()) {
        // A window this object stands for (a dialog, a control).
        if (!::GetClientRect(m_hWnd, lpRect)) *lpRect = RECT{0, 0, 0, 0};
        return;
    }
    QWidget* client = ClientWidget();
    *lpRect = client ? RECT{0, 0, client->width(), client->height()} : RECT{0, 0, 0, 0};
}

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }

CWnd* CWnd::SetFocus() {
    CWnd* previous = nullptr;
    if (QWidget* focus = QApplication::focusWidget()) {
        for (HWND hwnd : ui::detail::AllWindows()) {
            ui::Window* window = ui::detail::LookupWindow(hwnd);
            if (window && window->Widget() == focus) previous = dynamic_cast<CWnd*>(window);
        }
    }
    ::SetFocus(m_hWnd);
    return previous;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(m_hWnd, message, wParam, lParam);
}

namespace {

void SendToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, bool deep) {
    for (HWND hwnd : ui::detail::AllWindows()) {
        ui::Window* window = ui::detail::LookupWindow(hwnd);
        if (!window || window->Parent() != parent || !window->IsChild()) continue;
        SendMessageW(hwnd, message, wParam, lParam);
        if (deep && IsWindow(hwnd)) SendToChildren(hwnd, message, wParam, lParam, deep);
    }
}

}  // namespace

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
    if (HWND self = m_hWnd) SendToChildren(self, message, wParam, lParam, bDeep != FALSE);
}
