// ui::Dialog: a window made from a dialog template, modeless (Create) or
// modal (DoModal).
//
// The dialog's widget is a QDialog; its controls are child windows with
// their template ids (GetDlgItem). Messages reach WindowProc as the system
// expects: WM_INITDIALOG once the controls exist, WM_COMMAND for button
// clicks (BN_CLICKED) and edits (EN_CHANGE), and for Enter (IDOK, or the
// BS_DEFPUSHBUTTON's id) and Escape (IDCANCEL); WM_CLOSE (the title bar's
// close button) becomes WM_COMMAND IDCANCEL. Nothing closes the dialog but
// its own code (EndDialog, DestroyWindow).
//
// A modal dialog is a question to the prompter (ui/prompter.h): DoModal
// hands the initialised dialog to the current prompter, which shows it and
// runs its loop, or lets a test script drive it.
#pragma once

#include "ui/dialog_template.h"
#include "ui/prompter.h"
#include "ui/window.h"

#include <vector>

namespace ui {

class Dialog : public Window, public PromptedDialog {
public:
    // `dialogTemplate` must outlive the dialog (templates are constants).
    explicit Dialog(const DialogTemplate& dialogTemplate);
    ~Dialog() override;

    // Creates the modeless dialog owned by `owner` (may be null), centred
    // over it, hidden until shown (ShowWindow), and sends WM_INITDIALOG.
    // Null when the dialog exists already or `owner` is not a window.
    HWND Create(HWND owner);
    // Creates the dialog, lets the prompter run it, destroys it and returns
    // the result given to EndDialog; -1 when it could not be created.
    INT_PTR DoModal(HWND owner);

    const DialogTemplate& Template() const { return template_; }
    HWND GetDlgItem(int controlId) const;
    // Dialog units to pixels through the dialog's font (the dialog exists).
    RECT MapDialogUnits(const RECT& units) const;

    // PromptedDialog
    int DialogId() const override;
    std::string DialogName() const override;
    std::u16string Caption() const override;
    std::u16string ControlText(int controlId) const override;
    bool SetControlText(int controlId, std::u16string_view text) override;
    bool PressButton(int controlId) override;
    void EndDialog(INT_PTR result) override;
    bool IsEnded() const override { return ended_; }
    INT_PTR Result() const override { return result_; }
    INT_PTR ExecShown() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // WM_INITDIALOG. The default does nothing and returns TRUE.
    virtual BOOL OnInitDialog();
    // WM_COMMAND from a control, a menu or a key. The default ends a modal
    // dialog with IDOK or IDCANCEL for those two ids and ignores the rest.
    virtual void OnCommand(int id, int notifyCode, HWND control);

private:
    HWND CreateWindowAndControls(HWND owner, bool modal);
    Window* Control(int controlId) const;

    const DialogTemplate& template_;
    std::vector<std::unique_ptr<Window>> controls_;
    int baseUnitX_ = 0;  // the font's dialog base units
    int baseUnitY_ = 0;
    bool modal_ = false;
    bool ended_ = false;
    bool running_ = false;  // inside ExecShown's loop
    INT_PTR result_ = 0;
};

}  // namespace ui

// The dialog functions on handles.
HWND GetDlgItem(HWND dialog, int controlId);
int GetDlgCtrlID(HWND control);
BOOL SetDlgItemTextW(HWND dialog, int controlId, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int controlId, LPWSTR buffer, int size);
// A check box's state (BST_CHECKED or BST_UNCHECKED; 0 for no check box),
// and setting it (FALSE for no such control).
UINT IsDlgButtonChecked(HWND dialog, int controlId);
BOOL CheckDlgButton(HWND dialog, int controlId, UINT check);
// Ends a modal dialog (its DoModal returns `result`); hides a modeless one.
BOOL EndDialog(HWND dialog, INT_PTR result);
// Dialog units to pixels through the dialog's font.
BOOL MapDialogRect(HWND dialog, LPRECT rect);
