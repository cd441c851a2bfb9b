// The file-reference dialog as a test script meets it (ui_testing's
// prompter hands the script the shown dialog as a ui::PromptedDialog): its
// name, its control ids, and the user's actions on its reference tree that
// the prompter's own calls (control texts, button presses) cannot reach.
//
// Each action runs the path the user's input runs (a click on a check
// cell, an in-place edit of the item name, a right click that opens the
// context menu - whose question goes to the prompter like any popup menu),
// so the command object sees the same calls. The actions reach the dialog
// as window messages, so they work on a dialog of the loaded component
// from any module of the process.
//
//   prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
//       const int bracket = castavy::FindRow(dialog, u"bracket.prt");
//       EXPECT_TRUE(castavy::ClickCheck(dialog, bracket, CASTAVYLib::CastavyCol_CreateItem));
//       EXPECT_TRUE(dialog.SetControlText(castavy::IDC_CASTAVY_DESTINATION, u"C:\\Vault\\Parts"));
//       EXPECT_TRUE(dialog.PressButton(IDOK));
//   });
#pragma once

#include "castavy/ids.h"
#include "ui/dialog.h"
#include "ui/message_queue.h"
#include "ui/window_messages.h"
#include "winapi/types.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace castavy {

// The dialog's name, which the prompter sees.
inline constexpr char kDialogName[] = "FileReferences";

// The dialog's controls (besides IDOK and IDCANCEL). Which of them exist
// depends on the command: the tree, destination and option controls in a
// dialog with tree columns, the comment in one without.
enum : int {
    IDC_CASTAVY_MESSAGE = 1001,            // the command's message line (CastavyText_Message)
    IDC_CASTAVY_TREE = 1002,               // the reference tree
    IDC_CASTAVY_DESTINATION_LABEL = 1003,  // (kFlagDestinationFolder)
    IDC_CASTAVY_DESTINATION = 1004,        // the destination folder's path
    IDC_CASTAVY_BROWSE = 1005,             // browses for the destination folder
    IDC_CASTAVY_OPEN_ITEMS = 1006,         // check box of option 67 (kFlagOpenCheckbox)
    IDC_CASTAVY_COMMENT_LABEL = 1007,
    IDC_CASTAVY_COMMENT = 1008,  // the dialog's text (IFileCastavy::GetText)
    IDC_CASTAVY_HELP = 1009,     // the command's help (kCommandHelp)
};

// A check cell as the user sees it.
struct ShownCheck {
    bool checked = false;
    bool enabled = false;
};

// A row of the tree as the user sees it.
struct ShownRow {
    int depth = 0;                         // 0 for a root
    std::map<LONG, std::u16string> texts;  // text columns and the item name (CastavyCol_ItemNumber)
    std::map<LONG, ShownCheck> checks;     // check columns
    bool chosen = false;                   // the command counts the row as chosen (IFileRefCmd3::GetRowChecked)
};

namespace detail {

// What a script action asks of the dialog (lParam of the script message).
struct ScriptRequest {
    enum class Action { ReadRows, ClickCheck, TypeItemName, OpenContextMenu };
    Action action = Action::ReadRows;
    std::vector<int> rows;  // row indexes in the shown order
    LONG column = -1;
    std::u16string text;
    std::vector<ShownRow>* shownRows = nullptr;  // ReadRows: receives the rows
};

// The message the dialog takes script actions by (answers TRUE when the
// action could run).
inline UINT ScriptMessage() { return RegisterWindowMessageW(u"Castavy.ScriptAction"); }

inline bool RunScriptAction(ui::PromptedDialog& dialog, ScriptRequest& request) {
    auto* window = dynamic_cast<ui::Dialog*>(&dialog);
    if (!window || !window->Exists() || dialog.DialogName() != kDialogName) return false;
    return SendMessageW(window->Handle(), ScriptMessage(), 0, reinterpret_cast<LPARAM>(&request)) != 0;
}

}  // namespace detail

// Every row of the tree in the shown order (depth first, parents before
// their children); empty for a dialog without tree.
inline std::vector<ShownRow> ShownRows(ui::PromptedDialog& dialog) {
    std::vector<ShownRow> rows;
    detail::ScriptRequest request;
    request.shownRows = &rows;
    detail::RunScriptAction(dialog, request);
    return rows;
}

// The index of the first row at or after `from` whose name column
// (CastavyCol_Name) reads `name`; -1 when none.
inline int FindRow(ui::PromptedDialog& dialog, std::u16string_view name, int from = 0) {
    const std::vector<ShownRow> rows = ShownRows(dialog);
    for (int i = from < 0 ? 0 : from; i < static_cast<int>(rows.size()); ++i) {
        auto text = rows[i].texts.find(CASTAVYLib::CastavyCol_Name);
        if (text != rows[i].texts.end() && text->second == name) return i;
    }
    return -1;
}

// Clicks the check cell of `column` in row `row` (toggles it as the user's
// click does). False when there is no such cell or it is disabled.
inline bool ClickCheck(ui::PromptedDialog& dialog, int row, LONG column) {
    detail::ScriptRequest request;
    request.action = detail::ScriptRequest::Action::ClickCheck;
    request.rows = {row};
    request.column = column;
    return detail::RunScriptAction(dialog, request);
}

// Types `name` into the item-name cell of row `row` and commits the edit.
// False when the row has no editable item name.
inline bool TypeItemName(ui::PromptedDialog& dialog, int row, std::u16string_view name) {
    detail::ScriptRequest request;
    request.action = detail::ScriptRequest::Action::TypeItemName;
    request.rows = {row};
    request.column = CASTAVYLib::CastavyCol_ItemNumber;
    request.text = std::u16string(name);
    return detail::RunScriptAction(dialog, request);
}

// Selects `rows` and right-clicks over `column` of the first: the context
// menu is asked of the prompter (answer it with ChooseMenuCommand; a menu
// without entries is not shown). False for an empty or unknown row.
inline bool OpenContextMenu(ui::PromptedDialog& dialog, std::vector<int> rows, LONG column) {
    detail::ScriptRequest request;
    request.action = detail::ScriptRequest::Action::OpenContextMenu;
    request.rows = std::move(rows);
    request.column = column;
    return detail::RunScriptAction(dialog, request);
}

}  // namespace castavy
