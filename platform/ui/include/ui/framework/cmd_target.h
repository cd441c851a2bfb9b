// CCmdTarget: an object that takes routed commands (documents, templates,
// windows, the application), and CCmdUI: one command's update-UI request.
//
// A command is routed by OnCmdMsg: each target offers it to its own message
// map and then passes it on in the framework's order - a frame to its
// active view, the view to its document, the document to its template, then
// the frame's own map, then the application (CFrameWnd::OnCmdMsg). The
// first target that has an entry takes it; an ON_COMMAND_EX handler that
// returns FALSE lets the routing go on.
//
// Update-UI: before a command's user interface (a menu item, a tool bar
// button) is shown, a CCmdUI for its id is routed with the code
// CN_UPDATE_COMMAND_UI; the handler found calls Enable, SetCheck or SetText,
// which a derived CCmdUI applies to its item. DoUpdate does both steps: when
// no target has an update handler, the item is enabled exactly when some
// target handles the command.
#pragma once

#include "ui/framework/message_map.h"
#include "ui/framework/object.h"

typedef LPCWSTR LPCTSTR;

class CCmdTarget;

// Filled by OnCmdMsg when it is only asked whether a target handles a
// command (its last argument is not null): nothing is called then.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
    const AFX_MSGMAP_ENTRY* pEntry;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;

    // Offers command `nID` with `nCode` (CN_COMMAND, CN_UPDATE_COMMAND_UI with
    // the CCmdUI in pExtra, a control's notification code, or
    // MAKELONG(code, WM_NOTIFY) with an AFX_NOTIFY) to this target's map;
    // TRUE when a handler took it. With `pHandlerInfo` it only reports the
    // handler found. Derived targets pass what they do not take on.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The wait cursor while a long operation runs (nested calls count).
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

class CWnd;

class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    // Enables or disables the item. The base class applies it to m_pOther's
    // window when set (EnableWindow).
    virtual void Enable(BOOL bOn = TRUE);
    // 0 unchecked, 1 checked, 2 indeterminate.
    virtual void SetCheck(int nCheck = 1);
    // Checked as the one chosen of a group.
    virtual void SetRadio(BOOL bOn = TRUE);
    // The base class sets m_pOther's window text when set.
    virtual void SetText(LPCTSTR lpszText);
    // The handler asks the routing to go on to the next target.
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Routes this request through `pTarget`; when no update handler takes
    // it and `bDisableIfNoHndler` is set, enables the item exactly when a
    // target handles the command. TRUE when an update handler took it.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;        // the item's place in its menu or bar
    UINT m_nIndexMax = 0;     // the items there
    HMENU m_pMenu = nullptr;  // the menu of a menu item (the layer's menus are handles)
    HMENU m_pSubMenu = nullptr;
    CWnd* m_pOther = nullptr;       // the window of a control item
    BOOL m_bEnableChanged = FALSE;  // Enable was called
    BOOL m_bContinueRouting = FALSE;
};
