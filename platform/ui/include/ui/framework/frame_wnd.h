// CFrameWnd: a frame window - a top-level window with a menu bar and a
// client area, or a frame inside another window (WS_CHILD).
//
// Its widget is a QMainWindow; the client area is the main window's central
// widget, where child windows created with the frame as parent live. The
// frame lays its client area out (RecalcLayout): the child with id
// AFX_IDW_PANE_FIRST fills it; the toolkit adds bars and docks around it.
//
// Commands: the frame routes a command to its active view (which passes it
// to its document and the document's template), then to its own map, then
// to the application. Before a menu of the frame shows (WM_INITMENUPOPUP)
// the frame runs the update-UI pass over the menu's items; when the
// application goes idle the framework sends WM_IDLEUPDATECMDUI for the
// frame's bars. The status line text (WM_SETMESSAGESTRING: a string id or a
// text; "Ready" when idle) goes to the child with id AFX_IDW_STATUS_BAR as
// SB_SETTEXTW for pane 0.
//
// A frame deletes itself after its window is destroyed; when it was the
// application's main window it posts the quit first.
#pragma once

#include "ui/framework/framework_ids.h"
#include "ui/framework/wnd.h"

#include "com/cstring.h"

class CDocument;
class CView;

#ifndef WS_THICKFRAME
#define WS_THICKFRAME 0x00040000L
#endif
#ifndef WS_MINIMIZEBOX
#define WS_MINIMIZEBOX 0x00020000L
#endif
#ifndef WS_MAXIMIZEBOX
#define WS_MAXIMIZEBOX 0x00010000L
#endif
#ifndef WS_OVERLAPPEDWINDOW
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#endif
#ifndef WS_CLIPSIBLINGS
#define WS_CLIPSIBLINGS 0x04000000L
#endif
#ifndef CW_USEDEFAULT
#define CW_USEDEFAULT (static_cast<int>(0x80000000))
#endif
#ifndef WS_CLIPCHILDREN
#define WS_CLIPCHILDREN 0x02000000L
#endif
// The frame's title shows the active document's title after its own.
#define FWS_ADDTOTITLE 0x00008000L
// ... before its own.
#define FWS_PREFIXTITLE 0x00040000L

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    static const RECT rectDefault;

    // Creates the frame (a top-level window unless dwStyle has WS_CHILD) with
    // the menu of resource `lpszMenuName` (none when null).
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCTSTR lpszMenuName = nullptr,
                DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
    // Creates the frame from resource `nIDResource`: its menu, icon and the
    // title (the first part of the string `nIDResource`). The first frame
    // loaded becomes the application's main window when it has none.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);

    CView* GetActiveView() const { return activeView_; }
    // Makes `pViewNew` (may be null) the view that takes routed commands;
    // the views are told (OnActivateView) when bNotify is set.
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    // The active view's document; a frame without one asks its parent frame.
    virtual CDocument* GetActiveDocument();
    // Shows the frame (nCmdShow -1: SW_SHOW) and brings it to the front.
    virtual void ActivateFrame(int nCmdShow = -1);
    // Makes the pane view active when none is, sends WM_INITIALUPDATE to the
    // frame's descendants (views run OnInitialUpdate) and, with
    // bMakeVisible, shows the frame.
    virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    // Lays the client area out: the AFX_IDW_PANE_FIRST child fills it.
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    // Makes the view of pContext->m_pNewViewClass as child `nID`; null on failure.
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    // The status line: a text, or a string id (its status part).
    void SetMessageText(LPCTSTR lpszText);
    void SetMessageText(UINT nID);
    // The status text of command or string `nID` (before its "\n").
    virtual void GetMessageString(UINT nID, CString& rMessage) const;

    void SetTitle(LPCTSTR lpszTitle) { title_ = lpszTitle; }
    CString GetTitle() const { return title_; }
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);

    // The menu of the frame (LoadFrame's resource), or null.
    HMENU GetMenu() const { return m_hMenuDefault; }
    HMENU m_hMenuDefault = nullptr;

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    QWidget* ClientWidget() const override;

protected:
    // Makes the client area's windows; the default makes the context's view
    // as the pane (when the context names a view class).
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void PostNcDestroy() override;
    QWidget* CreateWidget(QWidget* parent, bool child) override;

    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    CString title_;

private:
    friend class CView;
    CView* activeView_ = nullptr;  // Not owned.
    bool messageShown_ = false;    // the status line got a text
};
