// The prompter in force when no test installed one: it shows the real
// widgets and runs their modal loops.
#pragma once

#include "ui/prompter.h"

#include <QString>

#include <string_view>

namespace ui::detail {

// A file dialog's filter in the system's form ("Text (*.txt)|*.txt|All
// (*.*)|*.*||") as QFileDialog's name filters ("Text (*.txt) (*.txt);;...").
QString FileDialogFilter(std::u16string_view filter);

class DefaultPrompter : public Prompter {
public:
    int AskMessageBox(const MessageBoxQuestion& question) override;
    INT_PTR RunModalDialog(PromptedDialog& dialog) override;
    UINT ChoosePopupMenuCommand(const PopupMenuQuestion& question) override;
    std::optional<std::u16string> ChooseFile(const FileQuestion& question) override;
};

}  // namespace ui::detail
