// The file-reference dialog driving its command object as a user session
// does: what it reads and shows, how clicks, names, the destination folder,
// the option and the context menu reach the command and the rows, and how
// OK, Cancel and failures end the showing.
#include "dialog_fixture.h"
#include "dialog_session.h"

#include "common/error_codes.h"
#include "ui/dialog.h"
#include "ui/framework/wnd.h"
#include "ui/input.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/message_box.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

namespace castavy_test {
namespace {

using castavy::ShownRow;
using ui_testing::ScriptedPrompter;

std::vector<std::u16string> Names(const std::vector<ShownRow>& rows) {
    std::vector<std::u16string> names;
    for (const ShownRow& row : rows) names.push_back(row.texts.at(CastavyCol_Name));
    return names;
}

TEST_F(DialogTest, ShowsTheCommandsTreeColumnsTextsAndOption) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"Generate Item") << "the command's title before the caption given";
        const std::vector<ShownRow> rows = castavy::ShownRows(dialog);
        EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"assembly.asm", u"bracket.prt", u"sub.asm", u"bolt.prt",
                                                            u"plate.prt"}));
        std::vector<int> depths;
        for (const ShownRow& row : rows) depths.push_back(row.depth);
        EXPECT_EQ(depths, (std::vector<int>{0, 1, 1, 2, 1}));
        EXPECT_EQ(rows[0].texts.at(CastavyCol_ItemNumber), u"ASM-1");
        EXPECT_EQ(rows[0].texts.at(CastavyCol_Configuration), u"Default") << "the second set's columns follow";
        EXPECT_TRUE(rows[0].checks.at(CastavyCol_CreateItem).checked);
        EXPECT_TRUE(rows[0].chosen);
        EXPECT_FALSE(rows[1].checks.at(CastavyCol_ExistingItem).checked);
        EXPECT_FALSE(rows[4].checks.at(CastavyCol_CreateItem).enabled) << "plate's switch is off";
        EXPECT_TRUE(rows[4].checks.at(CastavyCol_ExistingItem).enabled);
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_DESTINATION), u"C:\\Vault");
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_DESTINATION_LABEL), u"Destination Folder:");
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_OPEN_ITEMS), u"Open Generated Items");
        auto* window = dynamic_cast<ui::Dialog*>(&dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(IsDlgButtonChecked(window->Handle(), castavy::IDC_CASTAVY_OPEN_ITEMS),
                  static_cast<UINT>(BST_CHECKED));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(), S_FALSE);
    std::vector<std::u16string> expected{u"GetColumns"};
    for (int id = 0; id < kTextCount; ++id) expected.push_back(u"GetText " + FakeRow::ToText(id));
    expected.insert(expected.end(), {u"GetOption 67", u"OnDialogInit", u"BuildTree 3", u"GetRootEnumerator",
                                     u"GetRowItem", u"OnTreeShown", u"OnDialogClose"});
    EXPECT_EQ(command_.calls, expected);
}

// The options of a command: a tree type without tree leaves the building
// to the command; flags without the option or the destination hide them;
// no text 0 leaves the caption given.
TEST_F(DialogTest, TreeTypeFlagsAndTextsChooseWhatShows) {
    command_.flags = kFlagCommandColumns;
    command_.texts.clear();
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"ItemGenerator");
        EXPECT_EQ(castavy::ShownRows(dialog).size(), 5u);
        auto* window = dynamic_cast<ui::Dialog*>(&dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->GetDlgItem(castavy::IDC_CASTAVY_DESTINATION), nullptr);
        EXPECT_EQ(window->GetDlgItem(castavy::IDC_CASTAVY_OPEN_ITEMS), nullptr);
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(kTreeTypeNone), S_FALSE);
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"BuildTree 3"), 0);
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"GetOption 67"), 0);
    EXPECT_EQ(dialog_->PutTreeType(2), E_INVALIDARG);
}

struct ClickCase {
    const char* name;
    HRESULT commandAnswer;  // ValueChanged's result
    bool rowSetByDialog;    // the dialog then sets the row itself
    bool checkedAfter;
    bool failureShown;
};

// A click on a check cell goes to the command first; the dialog sets the
// row only when the command leaves it; a failure changes nothing and is
// shown.
TEST_F(DialogTest, ACheckClickGoesToTheCommandFirst) {
    const ClickCase cases[] = {
        {"command leaves it", S_FALSE, true, true, false},
        {"command makes it", S_OK, false, true, false},
        {"command fails", E_OXN_NOT_INITIALIZED, false, false, true},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        command_.valueChangedResult = c.commandAnswer;
        command_.calls.clear();
        Row(0, {0}).values.clear();
        Row(0, {0}).log.clear();
        ScriptedPrompter prompter;
        prompter.DriveDialog(castavy::kDialogName, [&](ui::PromptedDialog& dialog) {
            const int bracket = castavy::FindRow(dialog, u"bracket.prt");
            ASSERT_EQ(bracket, 1);
            EXPECT_EQ(castavy::ClickCheck(dialog, bracket, CastavyCol_ExistingItem), !c.failureShown);
            EXPECT_EQ(castavy::ShownRows(dialog)[1].checks.at(CastavyCol_ExistingItem).checked, c.checkedAfter);
            EXPECT_TRUE(dialog.PressButton(IDCANCEL));
        });
        if (c.failureShown)
            prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
                EXPECT_EQ(question.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
                EXPECT_FALSE(question.text.empty());
            });
        EXPECT_EQ(Show(), S_FALSE);
        EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"ValueChanged row 34=1"), 1);
        EXPECT_EQ(Row(0, {0}).log.size(), c.commandAnswer == S_OK || c.rowSetByDialog ? 1u : 0u);
    }
}

TEST_F(DialogTest, ADisabledCellOrAnUnknownCellTakesNoClick) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_FALSE(castavy::ClickCheck(dialog, 4, CastavyCol_CreateItem)) << "plate's create cell is off";
        EXPECT_FALSE(castavy::ClickCheck(dialog, 4, CastavyCol_Link)) << "no such column shown";
        EXPECT_FALSE(castavy::ClickCheck(dialog, 99, CastavyCol_CreateItem));
        EXPECT_FALSE(castavy::ClickCheck(dialog, 0, CastavyCol_Name)) << "a text column";
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(), S_FALSE);
    for (const auto& call : command_.calls) EXPECT_EQ(call.find(u"ValueChanged"), std::u16string::npos) << "call";
    EXPECT_TRUE(Row(0, {2}).log.empty());
}

TEST_F(DialogTest, TheOptionCheckBoxTellsTheCommand) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(dialog.PressButton(castavy::IDC_CASTAVY_OPEN_ITEMS));
        EXPECT_TRUE(dialog.PressButton(castavy::IDC_CASTAVY_OPEN_ITEMS));
        EXPECT_TRUE(dialog.PressButton(castavy::IDC_CASTAVY_OPEN_ITEMS));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    EXPECT_EQ(Show(), S_OK);
    std::vector<std::u16string> changes;
    for (const auto& call : command_.calls)
        if (call.starts_with(u"ValueChanged")) changes.push_back(call);
    EXPECT_EQ(changes, (std::vector<std::u16string>{u"ValueChanged none 67=0", u"ValueChanged none 67=1",
                                                    u"ValueChanged none 67=0"}));
    EXPECT_EQ(command_.option, 0);
}

// Item names typed in the tree go to the row; a refused name leaves the one
// the row had.
TEST_F(DialogTest, ATypedItemNameGoesToTheRow) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(castavy::TypeItemName(dialog, 1, u"BRACKET-1"));
        EXPECT_EQ(castavy::ShownRows(dialog)[1].texts.at(CastavyCol_ItemNumber), u"BRACKET-1");
        EXPECT_TRUE(castavy::TypeItemName(dialog, 1, u"a\\b"));
        EXPECT_EQ(castavy::ShownRows(dialog)[1].texts.at(CastavyCol_ItemNumber), u"BRACKET-1");
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(), S_FALSE);
    EXPECT_EQ(Row(0, {0}).log, (std::vector<std::u16string>{u"name BRACKET-1", u"name a\\b"}));
}

// OK: a changed destination goes to the command first (its refusal keeps
// the dialog open - the command showed why), then the command checks the
// names (40 and 42 keep it open with the dialog's message).
TEST_F(DialogTest, OkPutsTheDestinationAndLetsTheCommandCheck) {
    command_.destinationResult = E_FAIL;
    command_.checkResults = {kResultItemNameMissing, kResultItemNameTwice, S_OK};
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [&](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(dialog.SetControlText(castavy::IDC_CASTAVY_DESTINATION, u"D:\\Other"));
        EXPECT_TRUE(dialog.PressButton(IDOK));
        EXPECT_FALSE(dialog.IsEnded());
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_DESTINATION), u"D:\\Other") << "kept to be mended";
        command_.destinationResult = S_OK;
        EXPECT_TRUE(dialog.SetControlText(castavy::IDC_CASTAVY_DESTINATION, u"C:\\Vault\\Parts"));
        EXPECT_TRUE(dialog.PressButton(IDOK));
        EXPECT_FALSE(dialog.IsEnded());
        EXPECT_TRUE(dialog.PressButton(IDOK));
        EXPECT_FALSE(dialog.IsEnded());
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, u"Every chosen row needs an item name.");
    });
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, u"Two chosen rows have the same item name.");
    });
    EXPECT_EQ(Show(), S_OK);
    std::vector<std::u16string> okCalls;
    for (const auto& call : command_.calls)
        if (call.starts_with(u"PutDestination") || call.starts_with(u"Command")) okCalls.push_back(call);
    EXPECT_EQ(okCalls, (std::vector<std::u16string>{u"PutDestination D:\\Other", u"PutDestination C:\\Vault\\Parts",
                                                    u"Command 1", u"Command 1", u"Command 1"}))
        << "an unchanged destination is not put again";
    EXPECT_EQ(prompter.AskedMessageBoxes().size(), 2u);
}

TEST_F(DialogTest, BrowseAndHelpAreTheCommandsCommands) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(dialog.PressButton(castavy::IDC_CASTAVY_BROWSE));
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_DESTINATION), u"C:\\Vault\\Parts");
        EXPECT_TRUE(dialog.PressButton(castavy::IDC_CASTAVY_HELP));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    EXPECT_EQ(Show(), S_OK);
    std::vector<std::u16string> commands;
    for (const auto& call : command_.calls)
        if (call.starts_with(u"Command") || call.starts_with(u"PutDestination")) commands.push_back(call);
    EXPECT_EQ(commands, (std::vector<std::u16string>{u"Command 4 C:\\Vault", u"Command 3", u"Command 1"}))
        << "a browsed destination is the command's already";
}

// The context menu: the command's callback adds its entries over the rows
// chosen and runs the one the user picks; over a single row the dialog
// offers the existing item names too.
TEST_F(DialogTest, TheContextMenuRunsTheCommandsEntriesAndOffersExistingNames) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(castavy::OpenContextMenu(dialog, {1, 3}, CastavyCol_ItemNumber));
        const std::vector<ShownRow> rows = castavy::ShownRows(dialog);
        EXPECT_EQ(rows[1].texts.at(CastavyCol_ItemNumber), u"ID-1");
        EXPECT_EQ(rows[3].texts.at(CastavyCol_ItemNumber), u"ID-2");
        EXPECT_TRUE(castavy::OpenContextMenu(dialog, {2}, CastavyCol_ItemNumber));
        EXPECT_EQ(castavy::ShownRows(dialog)[2].texts.at(CastavyCol_ItemNumber), u"ITEM-9");
        EXPECT_FALSE(castavy::OpenContextMenu(dialog, {}, CastavyCol_ItemNumber));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    prompter.ChooseMenuCommand(5001, [](const ui::PopupMenuQuestion& question) {
        EXPECT_EQ(GetMenuItemCount(question.menu), 1) << "no names over two rows";
    });
    prompter.ChooseMenuCommand(castavy::DialogSession::kFirstItemNameCommand + 1,
                               [](const ui::PopupMenuQuestion& question) {
                                   ASSERT_EQ(GetMenuItemCount(question.menu), 3);
                                   EXPECT_EQ(GetMenuItemID(question.menu, 0), 5001u);
                                   HMENU names = GetSubMenu(question.menu, 2);
                                   ASSERT_NE(names, nullptr);
                                   EXPECT_EQ(GetMenuItemCount(names), 2);
                               });
    EXPECT_EQ(Show(), S_FALSE);
    EXPECT_EQ(command_.menuRows, 2);
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"OnCommand 5001 32"), 1);
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"GetItemList"), 1);
}

// The tree's report control inside the shown dialog.
CXTPReportControl* TreeOf(ui::PromptedDialog& dialog) {
    auto* window = dynamic_cast<ui::Dialog*>(&dialog);
    if (!window) return nullptr;
    HWND found = nullptr;
    EnumChildWindows(
        window->Handle(),
        [](HWND child, LPARAM lParam) -> BOOL {
            if (GetDlgCtrlID(child) != castavy::IDC_CASTAVY_TREE) return TRUE;
            *reinterpret_cast<HWND*>(lParam) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found ? dynamic_cast<CXTPReportControl*>(CWnd::FromHandlePermanent(found)) : nullptr;
}

// Presses and releases `button` over the cell of the shown row `row` in the
// column at `position`.
void ClickCell(CXTPReportControl& tree, int row, int position, UINT down, UINT up) {
    const CRect cell = tree.GetItemRect(tree.GetRows()->GetAt(row), tree.GetColumns()->Find(position));
    const LPARAM point = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageW(tree.GetSafeHwnd(), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, point);
    SendMessageW(tree.GetSafeHwnd(), up, 0, point);
}

// The mouse on the tree itself: a left click on a check cell toggles it, a
// right click opens the context menu over the row.
TEST_F(DialogTest, MouseClicksOnTheTreeReachTheCommand) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        CXTPReportControl* tree = TreeOf(dialog);
        ASSERT_NE(tree, nullptr);
        ASSERT_EQ(tree->GetRows()->GetCount(), 5) << "every row expanded";
        ClickCell(*tree, 1, 3, WM_LBUTTONDOWN, WM_LBUTTONUP);  // bracket's Existing
        EXPECT_TRUE(castavy::ShownRows(dialog)[1].checks.at(CastavyCol_ExistingItem).checked);
        ClickCell(*tree, 1, 0, WM_LBUTTONDOWN, WM_LBUTTONUP);  // its name: no check
        ClickCell(*tree, 2, 0, WM_RBUTTONDOWN, WM_RBUTTONUP);  // sub.asm's menu
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    prompter.ChooseMenuCommand(
        0, [](const ui::PopupMenuQuestion& question) { EXPECT_EQ(GetMenuItemID(question.menu, 0), 5001u); });
    EXPECT_EQ(Show(), S_FALSE);
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"ValueChanged row 34=1"), 1);
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"OnContextMenu 1"), 1);
    EXPECT_EQ(Row(0, {0}).values[CastavyCol_ExistingItem], 1);
}

// What ends a showing before or without the dialog.
TEST_F(DialogTest, FailuresOfTheCommandEndTheShowing) {
    CComBSTR name(u"ItemGenerator");
    EXPECT_EQ(dialog_->Show(0, nullptr, 0, kDialogWidth, name), E_POINTER);
    EXPECT_EQ(dialog_->Show(0, dialog_.GetInterfacePtr(), 0, kDialogWidth, name), E_NOINTERFACE);
    command_.buildResult = E_OXN_NOT_INITIALIZED;
    EXPECT_EQ(Show(), E_OXN_NOT_INITIALIZED) << "no dialog was asked of the prompter";
    command_.buildResult = S_OK;
    command_.columnsResult = E_OUTOFMEMORY;
    EXPECT_EQ(Show(), E_OUTOFMEMORY);
    EXPECT_EQ(dialog_->GetText(nullptr), E_POINTER);
}

// A tree whose file references one of its own parents is shown with that
// child once, not round and round.
TEST_F(DialogTest, ACyclicTreeShowsEachRoundOnce) {
    Row(0, {1, 0}).Add(new FakeRow(u"sub again", u"sub.asm"))->Add(new FakeRow(u"never shown"));
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(Names(castavy::ShownRows(dialog)),
                  (std::vector<std::u16string>{u"assembly.asm", u"bracket.prt", u"sub.asm", u"bolt.prt", u"sub again",
                                               u"plate.prt"}));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(), S_FALSE);
}

// A command without tree columns gets the confirmation: its message, and
// the comment, which OK hands back - disabled for an undo of check-outs.
TEST_F(DialogTest, ACommandWithoutTreeGetsTheConfirmationWithComment) {
    command_.first.clear();
    command_.second.clear();
    command_.flags = 0;
    command_.texts = {{CastavyText_Message, u"Check in the 2 selected objects."}};
    command_.answersUndoKind = true;
    CComBSTR earlier(u"first try");
    ASSERT_EQ(dialog_->SetText(earlier), S_OK);
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"ItemGenerator");
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_MESSAGE), u"Check in the 2 selected objects.");
        EXPECT_EQ(dialog.ControlText(castavy::IDC_CASTAVY_COMMENT), u"first try");
        EXPECT_TRUE(castavy::ShownRows(dialog).empty());
        EXPECT_TRUE(dialog.SetControlText(castavy::IDC_CASTAVY_COMMENT, u"Holes moved"));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    EXPECT_EQ(Show(), S_OK);
    EXPECT_EQ(DialogText(), u"Holes moved");
    EXPECT_EQ(std::count(command_.calls.begin(), command_.calls.end(), u"BuildTree 3"), 0);

    command_.undo = 1;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        auto* window = dynamic_cast<ui::Dialog*>(&dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowEnabled(window->GetDlgItem(castavy::IDC_CASTAVY_COMMENT)));
        EXPECT_TRUE(dialog.SetControlText(castavy::IDC_CASTAVY_COMMENT, u"never mind"));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(), S_FALSE);
    EXPECT_EQ(DialogText(), u"Holes moved") << "a cancel keeps the text";
}

TEST_F(DialogTest, AShowingCannotBeEnteredAgain) {
    ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [this](ui::PromptedDialog& dialog) {
        CComBSTR name(u"again");
        EXPECT_EQ(dialog_->Show(0, static_cast<IFileRefCmd3*>(&command_), 0, kDialogWidth, name), E_UNEXPECTED);
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(), S_FALSE);
}

}  // namespace
}  // namespace castavy_test
