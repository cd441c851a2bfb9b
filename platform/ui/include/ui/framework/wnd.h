// CWnd: the framework's window, a ui::Window that takes routed commands.
//
// WindowProc looks each message up in the message maps, most derived class
// first, and hands what no entry takes to DefWindowProc (the base
// ui::Window::WindowProc). WM_COMMAND and WM_NOTIFY go to the virtual
// OnCommand and OnNotify, which route them as commands (OnCmdMsg): a
// control's notification reaches its parent's map first.
//
// Windows made by the framework (frames, views) are created with Create or
// CreateEx, which call PreCreateWindow first and send WM_CREATE with a
// CREATESTRUCT whose lpCreateParams is the CCreateContext. Frames and views
// delete themselves once their window is gone (PostNcDestroy after
// WM_NCDESTROY); other CWnds are owned by their code.
#pragma once

#include "ui/framework/cmd_target.h"
#include "ui/window.h"
#include "ui/window_class.h"
#include "ui/window_messages.h"

#include <string>

typedef CREATESTRUCTW CREATESTRUCT;
typedef CREATESTRUCTW* LPCREATESTRUCT;
struct CCreateContext;
class CFrameWnd;
class CString;

class CWnd : public CCmdTarget, public ui::Window {
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd();
    ~CWnd() override;

    // The window's handle, null while it does not exist.
    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The CWnd of a handle, or null for no window. A window that is no
    // framework window (a dialog's control) gets a CWnd that stands for it,
    // kept by the framework while the window exists: its calls go to the
    // handle (GetDlgCtrlID, SetWindowText, ShowWindow, SendMessage, ...).
    static CWnd* FromHandle(HWND hwnd);
    // The framework window of a handle, or null (no wrapper is made).
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Creates a child window (`dwStyle` has WS_CHILD) or a top-level window
    // owned by `pParentWnd`, with control id `nID`. A view created with a
    // context joins the context's document. FALSE when PreCreateWindow
    // refuses, the parent is no window, or WM_CREATE answers -1 (the window
    // is destroyed again; an object that deletes itself then is gone).
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    // Lets a derived class change the class name, style or size before the
    // window is made; FALSE stops the creation.
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual BOOL DestroyWindow();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The message-map search of WindowProc: TRUE with *pResult when an entry
    // (or OnCommand/OnNotify) took the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The default handling: ui::Window's. A window class of the toolkit
    // (a status bar) answers its own messages here, after the maps.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: routes the command (menu, accelerator, tool bar, control
    // notification) through OnCmdMsg. A menu or accelerator command whose
    // update-UI disables it is dropped. TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY from a child control: routes MAKELONG(code, WM_NOTIFY) with the
    // NMHDR; *pResult is the message's answer.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // The window's control id (a child's id; frames 0 unless given; a
    // dialog's control its template id).
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int nID);
    // The child window with that control id, or null.
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetParent() const;
    // The nearest frame among the ancestors (not the window itself).
    CFrameWnd* GetParentFrame() const;
    // The outermost frame among the window and its ancestors.
    CFrameWnd* GetTopLevelFrame() const;
    CWnd* GetTopLevelParent() const;
    DWORD GetStyle() const;
    // Removes and adds style bits (WM_STYLECHANGED follows); TRUE when changed.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);

    BOOL ShowWindow(int nCmdShow);
    void UpdateWindow();
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    void SetWindowText(LPCTSTR lpszString);
    void GetWindowText(CString& rString) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    void GetWindowRect(LPRECT lpRect) const;
    // The client area: (0, 0, width, height).
    void GetClientRect(LPRECT lpRect) const;
    void Invalidate(BOOL bErase = TRUE);
    CWnd* SetFocus();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sends the message to every descendant window (children first level
    // first, in creation order); with bDeep FALSE to the children only.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE);

protected:
    // Called after the window's last message (WM_NCDESTROY); frames and
    // views delete themselves here.
    virtual void PostNcDestroy();
    // The widget of a new window (not shown; the layer owns it from then):
    // a plain widget, or the frame's main window. `parent` is the parent's
    // client widget for a child, the owner's widget (or null) otherwise.
    virtual QWidget* CreateWidget(QWidget* parent, bool child);

private:
    friend class CFrameWnd;
    int controlId_ = 0;
};
