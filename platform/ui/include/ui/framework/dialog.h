// CDialog: the framework's dialog, a CWnd with message maps over a
// ui::Dialog made from the template registered under its id
// (ui::RegisterDialogTemplate in ui/dialog_resource.h).
//
// The window is a ui::Dialog that the CDialog owns (a host made for each
// DoModal or Create): the host forwards every message to the CDialog's
// WindowProc, so the CDialog's message map sees them first, and what the
// map leaves goes back to ui::Dialog's own handling (Enter, Escape and the
// close button as commands, WM_CTLCOLORDLG for the background). m_hWnd is
// the host's handle and CWnd::FromHandle of it gives the CDialog, so the
// CWnd calls work on the dialog as on any framework window.
//
// Commands: IDOK and IDCANCEL go to the virtual OnOK and OnCancel, which end
// the dialog with that id; other commands route through the dialog's map.
// A modal dialog is a question to the prompter (ui/prompter.h): tests drive
// it with ui_testing::ScriptedPrompter::DriveDialog(id, ...).
#pragma once

#include "ui/framework/wnd.h"

#include <memory>

class CDC;

namespace ui::detail {
class DialogHost;
}

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    // The dialog of template `nIDTemplate`, owned by `pParentWnd` (null: the
    // application's main window). Nothing is made until DoModal or Create.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Makes the dialog, sends WM_INITDIALOG (OnInitDialog), lets the prompter
    // run it and destroys it. The value given to EndDialog; -1 when the
    // template is not registered or the window cannot be made.
    virtual INT_PTR DoModal();
    // Makes the modeless dialog of template `nIDTemplate` (hidden until
    // shown); FALSE when it exists already or cannot be made.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Ends a modal dialog (DoModal returns `nResult`); hides a modeless one.
    void EndDialog(int nResult);

    // The dialog's template id.
    UINT GetTemplateId() const { return m_nIDTemplate; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // WM_INITDIALOG, once the controls exist. The default does nothing and
    // returns TRUE (the focus goes where Qt puts it).
    virtual BOOL OnInitDialog();
    // IDOK (Enter, the OK button): EndDialog(IDOK).
    virtual void OnOK();
    // IDCANCEL (Escape, the close button, Cancel): EndDialog(IDCANCEL).
    virtual void OnCancel();

    // The default handling of a message: ui::Dialog's (for a derived
    // handler that adds to it, as OnCtlColor and OnEraseBkgnd do).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_CTLCOLOR...: the default answer, 0 (the control keeps its colours).
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    // WM_ERASEBKGND: the default fill (WM_CTLCOLORDLG's brush, else Qt's
    // background).
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);

    afx_msg LRESULT HandleInitDialog(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;  // Not owned.

private:
    HWND MakeHost(UINT nIDTemplate, CWnd* pParentWnd, bool modal, INT_PTR* result);

    std::unique_ptr<ui::detail::DialogHost> host_;
};
