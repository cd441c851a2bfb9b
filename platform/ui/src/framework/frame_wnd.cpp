#include "ui/framework/frame_wnd.h"

#include "ui/window_class.h"
#include "frame_widget.h"
#include "handle_table.h"
#include "idle_monitor.h"
#include "menu_cmd_ui.h"
#include "menu_widgets.h"
#include "ui/framework/create_context.h"
#include "ui/framework/doc_template.h"
#include "ui/framework/document.h"
#include "ui/framework/view.h"
#include "ui/framework/win_app.h"
#include "ui/icons.h"
#include "ui/menus.h"
#include "ui/resource_id.h"
#include "ui/string_table.h"
#include "ui/window_functions.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>

#include <vector>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_SIZE()
ON_WM_INITMENUPOPUP()
ON_MESSAGE(WM_SETMESSAGESTRING, &CFrameWnd::OnSetMessageString)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &CFrameWnd::OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

namespace {

// The view style of the framework: a visible bordered child.
constexpr DWORD kDefaultViewStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;

}  // namespace

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
    if (m_hMenuDefault) DestroyMenu(m_hMenuDefault);
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
    (void)lpszMenuName;  // menus are loaded by id (LoadFrame)
    if (lpszWindowName) title_ = lpszWindowName;
    ui::detail::EnsureIdleMonitor();
    return CreateEx(dwExStyle, lpszClassName ? lpszClassName : u"AfxFrameOrView", lpszWindowName, dwStyle, rect,
                    pParentWnd, 0, pContext);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    // The title is the first part of the resource's document string.
    std::u16string strings = ui::LookupString(nIDResource).value_or(std::u16string());
    title_ = CString(strings.substr(0, strings.find(u'\n')).c_str());
    CString title = title_;
    // The menu exists before the window, so WM_CREATE handlers (a toolkit
    // menu bar made there) find the frame's menu. A missing menu or icon
    // leaves the frame without one.
    if (!(dwDefaultStyle & WS_CHILD)) m_hMenuDefault = LoadMenuW(nullptr, MAKEINTRESOURCEW(nIDResource));
    if (!Create(nullptr, title, dwDefaultStyle, rectDefault, pParentWnd, nullptr, 0, pContext)) return FALSE;
    if (!IsChild()) {
        // A menu bar set up meanwhile (the toolkit's) shows the menu already.
        QMainWindow* mainWindow = ui::detail::MainWindowOf(*this);
        if (m_hMenuDefault && !mainWindow->menuWidget())
            ui::detail::BindMenuBar(mainWindow->menuBar(), m_hMenuDefault, Handle());
        if (HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(nIDResource))) {
            SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        }
    }
    CWinApp* app = AfxGetApp();
    if (app && !app->m_pMainWnd) app->m_pMainWnd = this;
    // Without a context nobody else sends the views their first update.
    if (!pContext) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style |= WS_CLIPCHILDREN;
    return TRUE;
}

QWidget* CFrameWnd::CreateWidget(QWidget* parent, bool child) {
    return new ui::detail::FrameWidget(parent, child, this);
}

QWidget* CFrameWnd::ClientWidget() const {
    auto* mainWindow = qobject_cast<QMainWindow*>(Widget());
    return mainWindow ? mainWindow->centralWidget() : Widget();
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
    auto* context = lpcs ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
    if (!OnCreateClient(lpcs, context)) return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (pContext && pContext->m_pNewViewClass) return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (!pContext || !pContext->m_pNewViewClass) return nullptr;
    CObject* object = pContext->m_pNewViewClass->CreateObject();
    auto* view = DYNAMIC_DOWNCAST(CWnd, object);
    if (!view) {
        delete object;
        return nullptr;
    }
    // A failed Create has deleted a view that deletes itself (PostNcDestroy).
    if (!view->Create(nullptr, nullptr, kDefaultViewStyle, RECT{0, 0, 0, 0}, this, nID, pContext)) return nullptr;
    return view;
}

void CFrameWnd::RecalcLayout(BOOL) {
    QWidget* client = ClientWidget();
    if (!client) return;
    if (CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST); pane && pane->Widget())
        pane->Widget()->setGeometry(0, 0, client->width(), client->height());
}

void CFrameWnd::OnSize(UINT, int, int) { RecalcLayout(); }

void CFrameWnd::OnInitMenuPopup(HMENU hMenu, UINT, BOOL bSysMenu) {
    if (!bSysMenu && hMenu) ui::detail::UpdateMenuCommands(hMenu, this);
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
    CView* old = activeView_;
    if (pViewNew == old) return;
    activeView_ = pViewNew;
    if (bNotify && old && old->Exists()) old->OnActivateView(FALSE, pViewNew, old);
    if (bNotify && pViewNew) pViewNew->OnActivateView(TRUE, pViewNew, old);
}

CDocument* CFrameWnd::GetActiveDocument() {
    if (activeView_) return activeView_->GetDocument();
    return nullptr;
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1) nCmdShow = IsIconic(Handle()) ? SW_RESTORE : SW_SHOW;
    ShowWindow(nCmdShow);
    if (QWidget* widget = Widget(); widget && !IsChild()) {
        // The offscreen platform of the tests cannot raise a window.
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) widget->raise();
        widget->activateWindow();
    }
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
    CView* view = activeView_;
    if (!view) {
        view = DYNAMIC_DOWNCAST(CView, GetDlgItem(AFX_IDW_PANE_FIRST));
        if (view) SetActiveView(view, FALSE);
    }
    SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    if (bMakeVisible) {
        ActivateFrame();
        if (view && view->Exists()) view->OnActivateView(TRUE, view, view);
    }
    (void)pDoc;
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
    if (!Exists() || IsChild()) return;
    std::u16string text = title_.GetString();
    CDocument* document = GetActiveDocument();
    if (bAddToTitle && (GetStyle() & FWS_ADDTOTITLE) && document && !document->GetTitle().IsEmpty()) {
        std::u16string documentTitle = document->GetTitle().GetString();
        text = (GetStyle() & FWS_PREFIXTITLE) ? documentTitle + u" - " + text : text + u" - " + documentTitle;
    }
    SetText(text);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CView* view = activeView_; view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    if (CWinApp* app = AfxGetApp(); app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return FALSE;
}

void CFrameWnd::OnClose() {
    CDocument* document = GetActiveDocument();
    if (document && !document->CanCloseFrame(this)) return;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        // Closing the main window ends the program: the other documents
        // close first, with their frames; this frame's own document goes
        // with its last view below.
        HWND self = Handle();
        for (POSITION templates = app->GetFirstDocTemplatePosition(); templates;) {
            CDocTemplate* docTemplate = app->GetNextDocTemplate(templates);
            std::vector<CDocument*> others;
            for (POSITION position = docTemplate->GetFirstDocPosition(); position;)
                if (CDocument* other = docTemplate->GetNextDoc(position); other != document) others.push_back(other);
            for (CDocument* other : others) other->OnCloseDocument();
        }
        if (!IsWindow(self)) return;
    }
    DestroyWindow();
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText) {
    if (CWnd* statusBar = GetDlgItem(AFX_IDW_STATUS_BAR)) {
        messageShown_ = true;
        statusBar->SendMessage(SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(lpszText ? lpszText : u""));
    }
}

void CFrameWnd::SetMessageText(UINT nID) {
    CString text;
    GetMessageString(nID, text);
    SetMessageText(text);
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const {
    rMessage = CString(ui::StatusTextOf(nID).c_str());
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam) {
    if (wParam)
        SetMessageText(static_cast<UINT>(wParam));
    else
        SetMessageText(reinterpret_cast<LPCTSTR>(lParam));
    return 0;
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
    // The status line says "Ready" until something else is shown.
    if (!messageShown_) SetMessageText(AFX_IDS_IDLEMESSAGE);
    return 0;
}

void CFrameWnd::PostNcDestroy() { delete this; }
