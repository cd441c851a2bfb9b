// The prompter in force when no test installed one: it shows the real
// widgets and runs their modal loops.
#pragma once

#include "ui/prompter.h"

namespace ui::detail {

class DefaultPrompter : public Prompter {
public:
    int AskMessageBox(const MessageBoxQuestion& question) override;
    INT_PTR RunModalDialog(PromptedDialog& dialog) override;
    UINT ChoosePopupMenuCommand(const PopupMenuQuestion& question) override;
};

}  // namespace ui::detail
