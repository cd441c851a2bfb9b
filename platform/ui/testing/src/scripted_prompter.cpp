#include "ui_testing/scripted_prompter.h"

#include "ui/message_box.h"

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

}  // namespace

std::string ScriptedPrompter::Answer::Describe() const {
    if (kind == Kind::MessageBox) return "a message box answered " + std::to_string(messageBoxAnswer);
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

}  // namespace ui_testing
