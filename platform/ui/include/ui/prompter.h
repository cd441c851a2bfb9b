// The prompter: every modal question of the program passes through it.
//
// A question is a message box (MessageBoxW and the layer's other
// message-box calls), a modal dialog (ui::Dialog::DoModal), a popup menu
// (TrackPopupMenu) or a file to open (CWinApp::OnFileOpen). The default
// prompter shows the real widgets and runs their modal loops. Tests install
// another one (ui_testing::ScriptedPrompter) that answers from a script and
// lets them check what was asked, so no test ever waits for a user.
//
// All of it runs on the GUI thread.
#pragma once

#include "ui/window_types.h"

#include <optional>
#include <string>
#include <string_view>

namespace ui {

// A message box as it was asked.
struct MessageBoxQuestion {
    HWND owner = nullptr;
    std::u16string caption;
    std::u16string text;
    UINT style = 0;  // one MB_ button set | one MB_ICON (ui/message_box.h)
};

// A popup menu as TrackPopupMenu(Ex) shows it.
struct PopupMenuQuestion {
    HMENU menu = nullptr;  // the menu's data (ui/menus.h), valid during the question
    POINT point{};         // screen coordinates
    HWND owner = nullptr;  // gets WM_INITMENUPOPUP (and WM_MEASUREITEM / WM_DRAWITEM)
    UINT flags = 0;        // TPM_
};

// A file to open, as a file dialog asks for it.
struct FileQuestion {
    HWND owner = nullptr;
    std::u16string title;  // the dialog's title
    // The file types in the system's form, pairs of a description and its
    // patterns (";" between patterns): "Text (*.txt)|*.txt|All Files (*.*)|*.*||".
    // Empty: every file.
    std::u16string filter;
    std::u16string initialFolder;  // empty: the current folder
};

// What a prompter sees of a modal dialog while the dialog is up: which
// dialog it is, the texts of its controls, and the ways a user ends it.
// The dialog is created and initialised (its WM_INITDIALOG has run) before
// the prompter gets it.
class PromptedDialog {
public:
    // The dialog's resource id (e.g. 164), 0 for a dialog built in code.
    virtual int DialogId() const = 0;
    // A stable name its code gives the dialog (e.g. "Progress").
    virtual std::string DialogName() const = 0;
    // The window title.
    virtual std::u16string Caption() const = 0;

    // The text of control `controlId` (edit, static, button label, combo
    // box edit text); empty when there is no such control.
    virtual std::u16string ControlText(int controlId) const = 0;
    // Types `text` into control `controlId`, replacing its text, as a user
    // would (the dialog is told of the change). False when there is no such
    // control.
    virtual bool SetControlText(int controlId, std::u16string_view text) = 0;
    // Clicks button `controlId`: the dialog's WM_COMMAND handler runs and
    // may end the dialog (or ask further questions through the prompter).
    // False when there is no such control or it is disabled or hidden.
    virtual bool PressButton(int controlId) = 0;

    // Ends the dialog with `result`, as EndDialog does.
    virtual void EndDialog(INT_PTR result) = 0;
    virtual bool IsEnded() const = 0;
    // The result given to EndDialog (meaningful once IsEnded()).
    virtual INT_PTR Result() const = 0;

    // Shows the dialog and runs its modal loop until it ends; returns the
    // result. This is what the default prompter does.
    virtual INT_PTR ExecShown() = 0;

protected:
    ~PromptedDialog() = default;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Answers a message box with the pressed button's id (IDOK, IDCANCEL,
    // IDRETRY, IDYES, IDNO).
    virtual int AskMessageBox(const MessageBoxQuestion& question) = 0;
    // Runs a modal dialog until it ends and returns its result.
    virtual INT_PTR RunModalDialog(PromptedDialog& dialog) = 0;
    // Shows a popup menu and answers the chosen command's id, 0 for none.
    // Before the menu and each submenu shows, the owner is sent
    // WM_INITMENUPOPUP (wParam the HMENU, lParam MAKELPARAM(index, 0): the
    // submenu's position in its parent, 0 for the menu itself), so its code
    // can enable, check and rename items first.
    virtual UINT ChoosePopupMenuCommand(const PopupMenuQuestion& question) = 0;
    // Asks for one existing file to open: its path, or none when the
    // question is cancelled.
    virtual std::optional<std::u16string> ChooseFile(const FileQuestion& question) = 0;
};

// The prompter in force: the one last installed, else the default prompter.
Prompter& CurrentPrompter();

// Installs `prompter` for the life of this object, then restores the one
// in force before. Scopes nest.
class ScopedPrompter {
public:
    explicit ScopedPrompter(Prompter& prompter);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* previous_;
};

}  // namespace ui
