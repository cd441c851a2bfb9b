#include "ui_testing/scripted_prompter.h"

#include "menu_data.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"

#include <QString>

#include <gtest/gtest.h>

namespace ui_testing {
namespace {

std::string Utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

std::string Describe(const ui::MessageBoxQuestion& question) {
    return "message box \"" + Utf8(question.caption) + "\": \"" + Utf8(question.text) + "\"";
}

std::string Describe(const ui::PromptedDialog& dialog) {
    return "dialog " + std::to_string(dialog.DialogId()) + " \"" + dialog.DialogName() + "\"";
}

std::string Describe(const ui::PopupMenuQuestion& question) {
    return "popup menu of " +
           std::to_string(ui::detail::FindMenu(question.menu) ? ui::detail::FindMenu(question.menu)->items.size() : 0) +
           " items";
}

// The submenus on the way from `menu` to the command `id`, each with its
// position in its parent; false when the menu holds no such command.
bool PathTo(HMENU menu, UINT id, std::vector<std::pair<HMENU, int>>& path) {
    const ui::detail::MenuData* data = ui::detail::FindMenu(menu);
    if (!data) return false;
    for (const auto& item : data->items)
        if (item.id == id && !item.submenu && !item.IsSeparator()) return true;
    for (std::size_t i = 0; i < data->items.size(); ++i) {
        HMENU submenu = data->items[i].submenu;
        if (!submenu) continue;
        path.emplace_back(submenu, static_cast<int>(i));
        if (PathTo(submenu, id, path)) return true;
        path.pop_back();
    }
    return false;
}

}  // namespace

std::string ScriptedPrompter::Answer::Describe() const {
    if (kind == Kind::MessageBox) return "a message box answered " + std::to_string(messageBoxAnswer);
    if (kind == Kind::Menu) return "a popup menu answered " + std::to_string(menuCommand);
    if (kind == Kind::File) return "a file question answered with " + std::to_string(paths.size()) + " paths";
    return dialogId ? "dialog " + std::to_string(dialogId) : "dialog \"" + dialogName + "\"";
}

ScriptedPrompter::ScriptedPrompter() : installed_(*this) {}

ScriptedPrompter::~ScriptedPrompter() {
    for (const Answer& answer : answers_) ADD_FAILURE() << "scripted answer never asked for: " << answer.Describe();
}

void ScriptedPrompter::AnswerMessageBox(int answer, MessageBoxCheck check) {
    Answer entry;
    entry.kind = Answer::Kind::MessageBox;
    entry.messageBoxAnswer = answer;
    entry.check = std::move(check);
    answers_.push_back(std::move(entry));
}

void ScriptedPrompter::DriveDialog(int dialogId, DialogScript script) {
    Answer entry;
    entry.kind = Answer::Kind::Dialog;
    entry.dialogId = dialogId;
    entry.script = std::move(script);
    answers_.push_back(std::move(entry));
}

void ScriptedPrompter::DriveDialog(std::string dialogName, DialogScript script) {
    Answer entry;
    entry.kind = Answer::Kind::Dialog;
    entry.dialogName = std::move(dialogName);
    entry.script = std::move(script);
    answers_.push_back(std::move(entry));
}

void ScriptedPrompter::ChooseMenuCommand(UINT id, MenuCheck check) {
    Answer entry;
    entry.kind = Answer::Kind::Menu;
    entry.menuCommand = id;
    entry.menuCheck = std::move(check);
    answers_.push_back(std::move(entry));
}

void ScriptedPrompter::ChooseFiles(std::vector<std::u16string> paths, FileCheck check) {
    Answer entry;
    entry.kind = Answer::Kind::File;
    entry.paths = std::move(paths);
    entry.fileCheck = std::move(check);
    answers_.push_back(std::move(entry));
}

int ScriptedPrompter::AskMessageBox(const ui::MessageBoxQuestion& question) {
    messageBoxes_.push_back(question);
    if (answers_.empty() || answers_.front().kind != Answer::Kind::MessageBox) {
        ADD_FAILURE() << "unexpected " << Describe(question)
                      << (answers_.empty() ? std::string(", no answer scripted")
                                           : ", expected " + answers_.front().Describe());
        return IDCANCEL;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.check) answer.check(question);
    ui::MessageBoxButtons buttons = ui::ButtonsOf(question.style);
    bool offered = false;
    for (int i = 0; i < buttons.count; ++i) offered = offered || buttons.ids[i] == answer.messageBoxAnswer;
    if (!offered) {
        ADD_FAILURE() << "answer " << answer.messageBoxAnswer << " is not a button of " << Describe(question)
                      << " (style 0x" << std::hex << question.style << ")";
    }
    return answer.messageBoxAnswer;
}

INT_PTR ScriptedPrompter::RunModalDialog(ui::PromptedDialog& dialog) {
    dialogs_.push_back(dialog.DialogName());
    bool matches = !answers_.empty() && answers_.front().kind == Answer::Kind::Dialog &&
                   (answers_.front().dialogId ? answers_.front().dialogId == dialog.DialogId()
                                              : answers_.front().dialogName == dialog.DialogName());
    if (!matches) {
        ADD_FAILURE() << "unexpected " << Describe(dialog)
                      << (answers_.empty() ? std::string(", no answer scripted")
                                           : ", expected " + answers_.front().Describe());
        dialog.EndDialog(IDCANCEL);
        return IDCANCEL;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.script) answer.script(dialog);
    if (!dialog.IsEnded()) {
        ADD_FAILURE() << "the script left " << Describe(dialog) << " open";
        dialog.EndDialog(IDCANCEL);
    }
    return dialog.Result();
}

UINT ScriptedPrompter::ChoosePopupMenuCommand(const ui::PopupMenuQuestion& question) {
    menus_.push_back(question);
    if (answers_.empty() || answers_.front().kind != Answer::Kind::Menu) {
        ADD_FAILURE() << "unexpected " << Describe(question)
                      << (answers_.empty() ? std::string(", no answer scripted")
                                           : ", expected " + answers_.front().Describe());
        return 0;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    SendMessageW(question.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(question.menu), MAKELPARAM(0, 0));
    if (answer.menuCheck) answer.menuCheck(question);
    if (answer.menuCommand == 0) return 0;
    std::vector<std::pair<HMENU, int>> path;
    if (!PathTo(question.menu, answer.menuCommand, path)) {
        ADD_FAILURE() << "command " << answer.menuCommand << " is not in the " << Describe(question);
        return 0;
    }
    for (const auto& [submenu, index] : path)
        SendMessageW(question.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), MAKELPARAM(index, 0));
    // The owner's update-UI may have changed the menu: look again.
    ui::detail::FoundItem found = ui::detail::FindItemById(question.menu, answer.menuCommand);
    if (!found.item || found.item->IsGrayed()) {
        ADD_FAILURE() << "command " << answer.menuCommand << " of the " << Describe(question)
                      << (found.item ? " is disabled" : " is gone");
        return 0;
    }
    return answer.menuCommand;
}

std::optional<std::u16string> ScriptedPrompter::ChooseFile(const ui::FileQuestion& question) {
    files_.push_back(question);
    if (answers_.empty() || answers_.front().kind != Answer::Kind::File) {
        ADD_FAILURE() << "unexpected file question \"" << Utf8(question.title) << "\""
                      << (answers_.empty() ? std::string(", no answer scripted")
                                           : ", expected " + answers_.front().Describe());
        return std::nullopt;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.fileCheck) answer.fileCheck(question);
    if (answer.paths.size() > 1) {
        ADD_FAILURE() << "the file question \"" << Utf8(question.title) << "\" takes one file, " << answer.paths.size()
                      << " were scripted";
        return std::nullopt;
    }
    if (answer.paths.empty()) return std::nullopt;
    return answer.paths.front();
}

}  // namespace ui_testing
