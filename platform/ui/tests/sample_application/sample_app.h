// CSampleApp: the sample drawing program - one multi-document template
// (resource 128: CSampleDoc shown in CMainFrame by CSampleView), File New
// for another drawing in its own frame, New Window for another frame on the
// drawing of the active frame, and About.
#pragma once

#include "ui/framework/win_app.h"

class CFrameWnd;

class CSampleApp : public CWinApp {
public:
    CSampleApp();

    // Registers the resources, adds the template and opens a new drawing.
    BOOL InitInstance() override;
    int ExitInstance() override;

    // The frame that commands come from: the active window when it is a
    // frame, else the main window.
    CFrameWnd* GetActiveFrame() const;

protected:
    afx_msg void OnAppAbout();
    afx_msg void OnFileNewFrame();
    afx_msg void OnUpdateFileNewFrame(CCmdUI* pCmdUI);
    DECLARE_MESSAGE_MAP()
};
