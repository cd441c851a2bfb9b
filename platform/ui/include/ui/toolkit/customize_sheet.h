// The command bars' customise sheet: a modal dialog (a question to the
// prompter, dialog name "Customize") whose commands page lists the
// commands of the frame's menu by category and lets the user show or hide
// the tool bar buttons of each command, and whose options page sets how
// the tool bars look (large icons).
//
//     CXTPCustomizeSheet sheet(GetCommandBars());
//     CXTPCustomizeOptionsPage options(&sheet);
//     sheet.AddPage(&options);
//     CXTPCustomizeCommandsPage* commands = sheet.GetCommandsPage();
//     commands->AddCategories(128);
//     commands->InsertAllCommandsCategory();
//     commands->InsertBuiltInMenus(128);
//     commands->InsertNewMenuCategory();
//     sheet.DoModal();
#pragma once

#include "winapi/types.h"

#include <memory>
#include <string>
#include <vector>

class CXTPCommandBars;
class CXTPCustomizeSheet;

// The toolkit's own texts of the commands page's categories.
#define XTP_IDS_ALL_COMMANDS 9169
#define XTP_IDS_BUILTINMENUS 9174
#define XTP_IDS_NEW_MENU 9162

class CXTPCustomizeOptionsPage {
public:
    explicit CXTPCustomizeOptionsPage(CXTPCustomizeSheet* sheet) : sheet_(sheet) {}
    CXTPCustomizeSheet* GetSheet() const { return sheet_; }

private:
    CXTPCustomizeSheet* sheet_;
};

// One category of the commands page: its name and its commands' ids (0 for
// an entry that is no command, such as a built-in menu).
struct CXTPCustomizeCategory {
    std::u16string name;
    struct Entry {
        UINT id;
        std::u16string caption;
    };
    std::vector<Entry> entries;
};

class CXTPCustomizeCommandsPage {
public:
    explicit CXTPCustomizeCommandsPage(CXTPCustomizeSheet* sheet) : sheet_(sheet) {}

    // One category per popup of menu resource `menuId`, named after the
    // popup (without "&"), listing its commands (submenus' commands too).
    // FALSE when the menu cannot be loaded.
    BOOL AddCategories(UINT menuId);
    // A category "All Commands" of every command listed so far, by name.
    void InsertAllCommandsCategory();
    // A category "Built-in Menus" listing the popups of menu `menuId`.
    BOOL InsertBuiltInMenus(UINT menuId);
    // A category "New Menu" (for menus the user makes; empty here).
    void InsertNewMenuCategory();

    const std::vector<CXTPCustomizeCategory>& GetCategories() const { return categories_; }

private:
    CXTPCustomizeSheet* sheet_;
    std::vector<CXTPCustomizeCategory> categories_;
};

class CXTPCustomizeSheet {
public:
    explicit CXTPCustomizeSheet(CXTPCommandBars* commandBars);
    ~CXTPCustomizeSheet();

    CXTPCommandBars* GetCommandBars() const { return commandBars_; }
    // Shows the options page in the sheet.
    void AddPage(CXTPCustomizeOptionsPage* page) { options_ = page; }
    BOOL HasOptionsPage() const { return options_ != nullptr; }
    CXTPCustomizeCommandsPage* GetCommandsPage() { return &commands_; }

    // Runs the sheet modally over the command bars' frame (through the
    // prompter) and returns how it ended (IDOK, IDCANCEL; -1 when it could
    // not be shown). Changes take effect as they are made.
    INT_PTR DoModal();

private:
    CXTPCommandBars* commandBars_;                 // Not owned.
    CXTPCustomizeOptionsPage* options_ = nullptr;  // Not owned.
    CXTPCustomizeCommandsPage commands_{this};
};
