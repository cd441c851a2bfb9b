// CMainFrame: a window on one drawing - menu bar and tool bar, the outline
// in a docking pane at the left, two views of the drawing in a splitter
// (one above the other) and a status bar.
//
// Each frame is a main frame of its own (File New and New Window open more);
// the first one is the application's main window, whose closing ends the
// program.
#pragma once

#include "ui/toolkit/docking_pane_manager.h"
#include "ui/toolkit/frame_wnd.h"
#include "ui/toolkit/splitter_wnd.h"
#include "ui/toolkit/status_bar.h"

#include <string>

class COutlineView;

// The outline view's control id inside the frame.
#define IDC_OUTLINE_VIEW 102

class CMainFrame : public CXTPFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    CXTPStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CXTPDockingPaneManager& GetDockingPaneManager() { return m_paneManager; }
    COutlineView* GetOutlineView() const { return m_pOutlineView; }
    CXTPSplitterWnd& GetSplitter() { return m_wndSplitter; }

protected:
    // The client area: a splitter with two views of the drawing, the upper
    // one active.
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;

    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnDestroy();
    afx_msg void OnViewOutline();
    afx_msg void OnUpdateViewOutline(CCmdUI* pCmdUI);
    afx_msg LRESULT OnDockingPaneNotify(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    BOOL CreateToolBar();
    BOOL CreateStatusBar();
    BOOL CreateOutlinePane(CCreateContext* pContext);

    CXTPSplitterWndEx m_wndSplitter;
    CXTPStatusBar m_wndStatusBar;
    CXTPDockingPaneManager m_paneManager;
    COutlineView* m_pOutlineView = nullptr;  // Not owned: views delete themselves.
};
