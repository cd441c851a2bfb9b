// Menu resources: the program's menus as constant tables, as a resource
// script would hold them. The program registers each table once at start;
// LoadMenuW (ui/menus.h) makes an independent HMENU copy of one each time.
//
//     ui::RegisterMenuResource({128, {
//         {0, u"&File", MF_POPUP, {{57600, u"&New\tCtrl+N"}, ui::MenuRow::Separator(), {57665, u"E&xit"}}},
//     }});
#pragma once

#include "ui/menus.h"
#include "ui/resource_id.h"

#include <string>
#include <vector>

namespace ui {

// One item: a command {id, text}, a separator (MF_SEPARATOR), or a popup
// (MF_POPUP, or any row with `submenu` rows) whose own id is usually 0.
// `flags` are the MF_ flags of AppendMenuW (MF_GRAYED, MF_CHECKED, ...).
struct MenuRow {
    MenuRow(UINT id, std::u16string text, UINT flags = 0, std::vector<MenuRow> submenu = {})
        : id(id), text(std::move(text)), flags(flags), submenu(std::move(submenu)) {}
    static MenuRow Separator() { return MenuRow(0, {}, MF_SEPARATOR); }

    UINT id = 0;
    std::u16string text;
    UINT flags = 0;
    std::vector<MenuRow> submenu;
};

struct MenuResource {
    ResourceId id;  // a number (128) or a name
    // The menu's items: for a menu bar, its popups; for a context menu
    // resource, usually one popup that the code takes with GetSubMenu.
    std::vector<MenuRow> rows;
};

// Registers (or replaces) the table under its id. Call on the GUI thread,
// before the first LoadMenuW of it.
void RegisterMenuResource(MenuResource resource);
// Removes the table; later loads fail. True when there was one.
bool UnregisterMenuResource(const ResourceId& id);

}  // namespace ui
