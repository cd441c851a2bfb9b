// The data behind an HMENU, for the layer's own code (the menu functions,
// the widgets built from menus, the prompters).
#pragma once

#include "ui/menus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui::detail {

struct MenuItem {
    UINT id = 0;
    UINT type = MFT_STRING;   // MFT_ flags
    UINT state = 0;           // MFS_ flags
    HMENU submenu = nullptr;  // owned by the menu that holds the item
    ULONG_PTR data = 0;
    std::u16string text;
    HBITMAP bitmap = nullptr;  // MF_BITMAP / hbmpItem: kept, never drawn
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;

    bool IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }
    bool IsOwnerDrawn() const { return (type & MFT_OWNERDRAW) != 0; }
    bool IsGrayed() const { return (state & MFS_GRAYED) != 0; }
    bool IsChecked() const { return (state & MFS_CHECKED) != 0; }
};

struct MenuData {
    bool popup = false;  // CreatePopupMenu (and submenus) rather than CreateMenu
    std::vector<MenuItem> items;
};

// The menu a handle names, or null.
MenuData* FindMenu(HMENU menu);
// As FindMenu, with the last error ERROR_INVALID_MENU_HANDLE when null.
MenuData* MenuOrError(HMENU menu);

// Tells the listeners of `menu` that its items changed. Every menu function
// that changes a menu calls it once per call.
void NotifyMenuChanged(HMENU menu);

// Calls `listener` after each change of `menu`'s own items (not of its
// submenus' items) and once when the menu is destroyed. Listeners may add
// and remove listeners. Returns a token for RemoveMenuListener.
using MenuListener = std::function<void(HMENU menu)>;
uint64_t AddMenuListener(HMENU menu, MenuListener listener);
void RemoveMenuListener(uint64_t token);

// The item with `id` in the menu or its submenus (the menu itself first,
// then each submenu depth first), with the menu that holds it; null when
// none.
struct FoundItem {
    HMENU menu = nullptr;
    MenuItem* item = nullptr;
    std::size_t index = 0;
};
FoundItem FindItemById(HMENU menu, UINT id);

}  // namespace ui::detail
