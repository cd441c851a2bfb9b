#include "menu_data.h"

#include "menu_resource_table.h"
#include "text_conversion.h"
#include "object_table.h"
#include "ui/message_queue.h"
#include "ui/prompter.h"
#include "ui/window.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace ui::detail {
namespace {

ObjectTable<HMENU, MenuData>& Menus() {
    static ObjectTable<HMENU, MenuData> table(0x00030000u, 4);
    return table;
}

struct Listener {
    HMENU menu;
    MenuListener call;
};

uint64_t nextListener = 1;

std::map<uint64_t, Listener>& Listeners() {
    static std::map<uint64_t, Listener> listeners;
    return listeners;
}

constexpr UINT kTypeFlags =
    MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY | MFT_RADIOCHECK;
constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT;

HMENU NewMenu(bool popup) {
    auto data = std::make_unique<MenuData>();
    data->popup = popup;
    return Menus().Add(std::move(data));
}

// The item `item` names (by position or by command); null item with
// ERROR_MENU_ITEM_NOT_FOUND when none.
FoundItem Locate(HMENU menu, UINT item, bool byPosition) {
    MenuData* data = MenuOrError(menu);
    if (!data) return {};
    FoundItem found;
    if (byPosition) {
        if (item < data->items.size()) found = {menu, &data->items[item], item};
    } else {
        found = FindItemById(menu, item);
    }
    if (!found.item) SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return found;
}

// An item as AppendMenuW's arguments describe it; false for a popup whose
// submenu is no menu.
bool MakeItem(UINT flags, UINT_PTR id, LPCWSTR text, MenuItem& item) {
    item = MenuItem();
    item.type = flags & kTypeFlags;
    item.state = flags & kStateFlags;
    if (flags & MF_POPUP) {
        item.submenu = reinterpret_cast<HMENU>(id);
        MenuData* submenu = MenuOrError(item.submenu);
        if (!submenu) return false;
        submenu->popup = true;
    } else {
        item.id = static_cast<UINT>(id);
    }
    if (item.type & MF_OWNERDRAW)
        item.data = reinterpret_cast<ULONG_PTR>(text);
    else if (item.type & MF_BITMAP)
        item.bitmap = reinterpret_cast<HBITMAP>(const_cast<LPWSTR>(text));
    else if (!(item.type & MF_SEPARATOR) && text)
        item.text = text;
    return true;
}

bool ValidInfo(LPCMENUITEMINFOW info) {
    if (info && info->cbSize >= offsetof(MENUITEMINFOW, hbmpItem)) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// Applies the fields `info` names to `item`; false for a submenu that is no
// menu.
bool ApplyInfo(const MENUITEMINFOW& info, MenuItem& item) {
    bool full = info.cbSize >= sizeof(MENUITEMINFOW);
    if (info.fMask & MIIM_SUBMENU) {
        if (info.hSubMenu) {
            MenuData* submenu = MenuOrError(info.hSubMenu);
            if (!submenu) return false;
            submenu->popup = true;
        }
        item.submenu = info.hSubMenu;
    }
    if (info.fMask & MIIM_TYPE) {
        item.type = info.fType & kTypeFlags;
        if (item.type & MFT_BITMAP)
            item.bitmap = reinterpret_cast<HBITMAP>(info.dwTypeData);
        else if (!(item.type & (MFT_SEPARATOR | MFT_OWNERDRAW)))
            item.text = info.dwTypeData ? std::u16string(info.dwTypeData) : std::u16string();
    }
    if ((info.fMask & MIIM_FTYPE) && full) item.type = info.fType & kTypeFlags;
    if ((info.fMask & MIIM_STRING) && full)
        item.text = info.dwTypeData ? std::u16string(info.dwTypeData) : std::u16string();
    if ((info.fMask & MIIM_BITMAP) && full) item.bitmap = info.hbmpItem;
    if (info.fMask & MIIM_STATE) item.state = info.fState & kStateFlags;
    if (info.fMask & MIIM_ID) item.id = info.wID;
    if (info.fMask & MIIM_DATA) item.data = info.dwItemData;
    if (info.fMask & MIIM_CHECKMARKS) {
        item.checked = info.hbmpChecked;
        item.unchecked = info.hbmpUnchecked;
    }
    return true;
}

// Inserts before `position` of `menu` (past the end appends).
BOOL InsertItem(HMENU menu, std::size_t position, MenuItem item) {
    MenuData* data = FindMenu(menu);
    position = std::min(position, data->items.size());
    data->items.insert(data->items.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
    NotifyMenuChanged(menu);
    return TRUE;
}

// Where an insertion "before `item`" goes: the menu and index of that item,
// or the end of `menu` for a position past its end.
bool InsertionPoint(HMENU menu, UINT item, bool byPosition, HMENU& target, std::size_t& index) {
    MenuData* data = MenuOrError(menu);
    if (!data) return false;
    if (byPosition) {
        target = menu;
        index = std::min<std::size_t>(item, data->items.size());
        return true;
    }
    FoundItem found = FindItemById(menu, item);
    if (!found.item) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return false;
    }
    target = found.menu;
    index = found.index;
    return true;
}

void DestroyMenuTree(HMENU menu) {
    std::unique_ptr<MenuData> data = Menus().Remove(menu);
    if (!data) return;
    for (const MenuItem& item : data->items)
        if (item.submenu) DestroyMenuTree(item.submenu);
    NotifyMenuChanged(menu);
    for (auto it = Listeners().begin(); it != Listeners().end();) {
        if (it->second.menu == menu)
            it = Listeners().erase(it);
        else
            ++it;
    }
}

// Takes the item out of its menu; destroys its submenu when `destroy`.
BOOL TakeOut(HMENU menu, UINT position, UINT flags, bool destroy) {
    FoundItem found = Locate(menu, position, (flags & MF_BYPOSITION) != 0);
    if (!found.item) return FALSE;
    HMENU submenu = found.item->submenu;
    MenuData* holder = FindMenu(found.menu);
    holder->items.erase(holder->items.begin() + static_cast<std::ptrdiff_t>(found.index));
    if (destroy && submenu) DestroyMenuTree(submenu);
    NotifyMenuChanged(found.menu);
    return TRUE;
}

HMENU CopyRows(const std::vector<MenuRow>& rows, bool popup) {
    HMENU menu = NewMenu(popup);
    for (const MenuRow& row : rows) {
        if ((row.flags & MF_POPUP) || !row.submenu.empty()) {
            HMENU submenu = CopyRows(row.submenu, true);
            AppendMenuW(menu, (row.flags & ~MF_OWNERDRAW) | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                        row.text.c_str());
            FindMenu(menu)->items.back().id = row.id;
        } else {
            AppendMenuW(menu, row.flags & ~MF_OWNERDRAW, row.id, row.text.c_str());
        }
    }
    return menu;
}

}  // namespace

MenuData* FindMenu(HMENU menu) { return Menus().Find(menu); }

MenuData* MenuOrError(HMENU menu) {
    MenuData* data = FindMenu(menu);
    if (!data) SetLastError(ERROR_INVALID_MENU_HANDLE);
    return data;
}

void NotifyMenuChanged(HMENU menu) {
    std::vector<uint64_t> tokens;
    for (const auto& [token, listener] : Listeners())
        if (listener.menu == menu) tokens.push_back(token);
    for (uint64_t token : tokens) {
        auto found = Listeners().find(token);
        if (found == Listeners().end()) continue;
        MenuListener call = found->second.call;  // the listener may remove itself
        call(menu);
    }
}

uint64_t AddMenuListener(HMENU menu, MenuListener listener) {
    uint64_t token = nextListener++;
    Listeners().emplace(token, Listener{menu, std::move(listener)});
    return token;
}

void RemoveMenuListener(uint64_t token) { Listeners().erase(token); }

FoundItem FindItemById(HMENU menu, UINT id) {
    MenuData* data = FindMenu(menu);
    if (!data) return {};
    for (std::size_t i = 0; i < data->items.size(); ++i)
        if (data->items[i].id == id && !data->items[i].IsSeparator()) return {menu, &data->items[i], i};
    for (MenuItem& item : data->items) {
        if (!item.submenu) continue;
        if (FoundItem found = FindItemById(item.submenu, id); found.item) return found;
    }
    return {};
}

}  // namespace ui::detail

using namespace ui::detail;

HMENU LoadMenuW(HINSTANCE, LPCWSTR name) {
    const ui::MenuResource* resource = FindMenuResource(ui::ResourceId::FromPointer(name));
    if (!resource) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return CopyRows(resource->rows, false);
}

HMENU CreateMenu() { return NewMenu(false); }

HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
    if (!MenuOrError(menu)) return FALSE;
    DestroyMenuTree(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return FindMenu(menu) != nullptr; }

HMENU GetSubMenu(HMENU menu, int position) {
    if (position < 0) return nullptr;
    FoundItem found = Locate(menu, static_cast<UINT>(position), true);
    return found.item ? found.item->submenu : nullptr;
}

int GetMenuItemCount(HMENU menu) {
    MenuData* data = MenuOrError(menu);
    return data ? static_cast<int>(data->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    if (position < 0) return 0xFFFFFFFFu;
    FoundItem found = Locate(menu, static_cast<UINT>(position), true);
    if (!found.item || found.item->submenu) return 0xFFFFFFFFu;
    return found.item->id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    FoundItem found = Locate(menu, item, (flags & MF_BYPOSITION) != 0);
    if (!found.item) return 0xFFFFFFFFu;
    UINT state = found.item->type | found.item->state;
    if (found.item->submenu) {
        // The platform answers the submenu's item count in the high byte.
        state |= MF_POPUP | (static_cast<UINT>(GetMenuItemCount(found.item->submenu)) & 0xFF) << 8;
    }
    return state;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int size, UINT flags) {
    FoundItem found = Locate(menu, item, (flags & MF_BYPOSITION) != 0);
    if (!found.item) return 0;
    if (!buffer) return static_cast<int>(found.item->text.size());
    return CopyToBuffer(found.item->text, buffer, size);
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
    MenuData* data = MenuOrError(menu);
    if (!data) return FALSE;
    MenuItem item;
    if (!MakeItem(flags, id, text, item)) return FALSE;
    return InsertItem(menu, data->items.size(), std::move(item));
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
    HMENU target = nullptr;
    std::size_t index = 0;
    if (!InsertionPoint(menu, position, (flags & MF_BYPOSITION) != 0, target, index)) return FALSE;
    MenuItem item;
    if (!MakeItem(flags & ~MF_BYPOSITION, id, text, item)) return FALSE;
    return InsertItem(target, index, std::move(item));
}

BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
    FoundItem found = Locate(menu, position, (flags & MF_BYPOSITION) != 0);
    if (!found.item) return FALSE;
    MenuItem item;
    if (!MakeItem(flags & ~MF_BYPOSITION, id, text, item)) return FALSE;
    HMENU old = found.item->submenu;
    // An item that stays a popup without a new submenu keeps its own.
    if (old && !(flags & MF_POPUP)) item.submenu = nullptr;
    *found.item = std::move(item);
    if (old && old != found.item->submenu) DestroyMenuTree(old);
    NotifyMenuChanged(found.menu);
    return TRUE;
}

BOOL InsertMenuItemW(HMENU menu, UINT position, BOOL byPosition, LPCMENUITEMINFOW info) {
    if (!ValidInfo(info)) return FALSE;
    HMENU target = nullptr;
    std::size_t index = 0;
    if (!InsertionPoint(menu, position, byPosition != FALSE, target, index)) return FALSE;
    MenuItem item;
    if (!ApplyInfo(*info, item)) return FALSE;
    return InsertItem(target, index, std::move(item));
}

BOOL SetMenuItemInfoW(HMENU menu, UINT position, BOOL byPosition, LPCMENUITEMINFOW info) {
    if (!ValidInfo(info)) return FALSE;
    FoundItem found = Locate(menu, position, byPosition != FALSE);
    if (!found.item) return FALSE;
    MenuItem item = *found.item;
    if (!ApplyInfo(*info, item)) return FALSE;
    *found.item = std::move(item);
    NotifyMenuChanged(found.menu);
    return TRUE;
}

BOOL GetMenuItemInfoW(HMENU menu, UINT position, BOOL byPosition, LPMENUITEMINFOW info) {
    if (!ValidInfo(info)) return FALSE;
    FoundItem found = Locate(menu, position, byPosition != FALSE);
    if (!found.item) return FALSE;
    const MenuItem& item = *found.item;
    bool full = info->cbSize >= sizeof(MENUITEMINFOW);
    auto copyText = [&] {
        if (!info->dwTypeData || info->cch == 0) {
            info->cch = static_cast<UINT>(item.text.size());
            return;
        }
        info->cch = static_cast<UINT>(CopyToBuffer(item.text, info->dwTypeData, static_cast<int>(info->cch)));
    };
    if (info->fMask & MIIM_TYPE) {
        info->fType = item.type;
        if (item.type & MFT_BITMAP)
            info->dwTypeData = reinterpret_cast<LPWSTR>(item.bitmap);
        else if (!(item.type & (MFT_SEPARATOR | MFT_OWNERDRAW)))
            copyText();
    }
    if ((info->fMask & MIIM_FTYPE) && full) info->fType = item.type;
    if ((info->fMask & MIIM_STRING) && full) copyText();
    if ((info->fMask & MIIM_BITMAP) && full) info->hbmpItem = item.bitmap;
    if (info->fMask & MIIM_STATE) info->fState = item.state;
    if (info->fMask & MIIM_ID) info->wID = item.id;
    if (info->fMask & MIIM_SUBMENU) info->hSubMenu = item.submenu;
    if (info->fMask & MIIM_DATA) info->dwItemData = item.data;
    if (info->fMask & MIIM_CHECKMARKS) {
        info->hbmpChecked = item.checked;
        info->hbmpUnchecked = item.unchecked;
    }
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return TakeOut(menu, position, flags, false); }

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return TakeOut(menu, position, flags, true); }

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    FoundItem found = Locate(menu, item, (enable & MF_BYPOSITION) != 0);
    if (!found.item) return -1;
    UINT previous = found.item->state & (MF_GRAYED | MF_DISABLED);
    UINT next = enable & (MF_GRAYED | MF_DISABLED);
    if (previous != next) {
        found.item->state = (found.item->state & ~(MF_GRAYED | MF_DISABLED)) | next;
        NotifyMenuChanged(found.menu);
    }
    return static_cast<BOOL>(previous);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
    FoundItem found = Locate(menu, item, (check & MF_BYPOSITION) != 0);
    if (!found.item) return 0xFFFFFFFFu;
    DWORD previous = found.item->state & MF_CHECKED;
    if (previous != (check & MF_CHECKED)) {
        found.item->state = (found.item->state & ~MF_CHECKED) | (check & MF_CHECKED);
        NotifyMenuChanged(found.menu);
    }
    return previous;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
    if (!MenuOrError(menu)) return FALSE;
    if (!ui::WindowFromHandle(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    ui::PopupMenuQuestion question;
    question.menu = menu;
    question.point = POINT{x, y};
    question.owner = owner;
    question.flags = flags;
    UINT chosen = ui::CurrentPrompter().ChoosePopupMenuCommand(question);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen == 0) return FALSE;
    PostMessageW(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
