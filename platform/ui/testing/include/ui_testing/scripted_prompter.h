// A prompter for tests: answers every modal question from a queue of
// scripted answers, in order, and records what was asked.
//
// An unexpected question (the queue is empty, or the next answer is for
// another kind of question or another dialog) is a test failure: it is
// reported through GoogleTest and answered IDCANCEL, so the code under test
// goes on and the test shows every wrong question. Answers left unused when
// the prompter goes away are a failure too.
#pragma once

#include "ui/prompter.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ui_testing {

class ScriptedPrompter : public ui::Prompter {
public:
    using MessageBoxCheck = std::function<void(const ui::MessageBoxQuestion&)>;
    using DialogScript = std::function<void(ui::PromptedDialog&)>;
    using MenuCheck = std::function<void(const ui::PopupMenuQuestion&)>;
    using FileCheck = std::function<void(const ui::FileQuestion&)>;

    // Installs itself as the current prompter until destroyed.
    ScriptedPrompter();
    ~ScriptedPrompter() override;
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

    // The next question must be a message box; it is answered `answer`
    // (IDOK, IDCANCEL, ...) after `check` (if any) has looked at it.
    void AnswerMessageBox(int answer, MessageBoxCheck check = {});
    // The next question must be the dialog with resource id `dialogId`
    // (or, in the second form, named `dialogName`); `script` drives it
    // (reads and sets control texts, presses buttons). When the script
    // returns with the dialog still open, that is a failure and the dialog
    // is ended IDCANCEL.
    void DriveDialog(int dialogId, DialogScript script);
    void DriveDialog(std::string dialogName, DialogScript script);

    // The next question must be a popup menu; the command `id` is chosen
    // (0: the menu is dismissed). As a user opening the menu would, the
    // prompter first sends WM_INITMENUPOPUP to the owner for the menu, then
    // lets `check` (if any) look at the question, then sends WM_INITMENUPOPUP
    // for each submenu on the way to the item. An id that is no enabled
    // command of the menu is a failure (and 0 is answered).
    void ChooseMenuCommand(UINT id, MenuCheck check = {});

    // The next question must be a file question; it is answered with
    // `paths` after `check` (if any) has looked at it: none cancels it, one
    // path is the chosen file. More paths than the question takes (one) is
    // a failure (and the question is cancelled).
    void ChooseFiles(std::vector<std::u16string> paths, FileCheck check = {});

    // Every message box asked, in order (answered or not).
    const std::vector<ui::MessageBoxQuestion>& AskedMessageBoxes() const { return messageBoxes_; }
    // The names of the dialogs run, in order.
    const std::vector<std::string>& RunDialogs() const { return dialogs_; }
    // Every popup menu asked, in order (its menu handle may be gone since).
    const std::vector<ui::PopupMenuQuestion>& AskedMenus() const { return menus_; }
    // Every file question asked, in order.
    const std::vector<ui::FileQuestion>& AskedFiles() const { return files_; }
    // Scripted answers not used yet.
    std::size_t PendingAnswers() const { return answers_.size(); }

    int AskMessageBox(const ui::MessageBoxQuestion& question) override;
    INT_PTR RunModalDialog(ui::PromptedDialog& dialog) override;
    UINT ChoosePopupMenuCommand(const ui::PopupMenuQuestion& question) override;
    std::optional<std::u16string> ChooseFile(const ui::FileQuestion& question) override;

private:
    struct Answer {
        enum class Kind { MessageBox, Dialog, Menu, File };
        Kind kind = Kind::MessageBox;
        int messageBoxAnswer = 0;
        MessageBoxCheck check;
        int dialogId = 0;  // 0: matched by name
        std::string dialogName;
        DialogScript script;
        UINT menuCommand = 0;
        MenuCheck menuCheck;
        std::vector<std::u16string> paths;
        FileCheck fileCheck;
        std::string Describe() const;
    };

    std::deque<Answer> answers_;
    std::vector<ui::MessageBoxQuestion> messageBoxes_;
    std::vector<std::string> dialogs_;
    std::vector<ui::PopupMenuQuestion> menus_;
    std::vector<ui::FileQuestion> files_;
    ui::ScopedPrompter installed_;
};

}  // namespace ui_testing
