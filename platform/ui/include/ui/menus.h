// Menus: an HMENU names plain data - a list of items {id, text, type and
// state flags, submenu, item data} - that the system's code builds and
// edits; widgets (a QMenu, a frame's QMenuBar) are made from it only when a
// menu is shown. Handles are never reused: a destroyed or unknown HMENU
// fails with ERROR_INVALID_MENU_HANDLE.
//
// A menu owns the submenus of its popup items: DestroyMenu and DeleteMenu
// destroy them with it, RemoveMenu detaches one without destroying it.
// MF_BYCOMMAND finds the first item with the id, searching the menu before
// each submenu, depth first; MF_BYPOSITION counts from 0 in the menu itself.
// Every call is cheap (a walk over the items); none shows anything except
// TrackPopupMenu(Ex), which asks the prompter.
#pragma once

#include "ui/resource_id.h"
#include "ui/window_types.h"

// Flags of AppendMenuW, InsertMenuW, ModifyMenuW and the state answers.
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_STRING 0x00000000L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_BITMAP 0x00000004L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_HILITE 0x00000080L
#define MF_OWNERDRAW 0x00000100L
#define MF_SEPARATOR 0x00000800L
#define MF_DEFAULT 0x00001000L
#define MF_RIGHTJUSTIFY 0x00004000L

// MENUITEMINFOW: which fields count (fMask), the item's type and state.
#define MIIM_STATE 0x00000001
#define MIIM_ID 0x00000002
#define MIIM_SUBMENU 0x00000004
#define MIIM_CHECKMARKS 0x00000008
#define MIIM_TYPE 0x00000010
#define MIIM_DATA 0x00000020
#define MIIM_STRING 0x00000040
#define MIIM_BITMAP 0x00000080
#define MIIM_FTYPE 0x00000100

#define MFT_STRING MF_STRING
#define MFT_BITMAP MF_BITMAP
#define MFT_MENUBARBREAK MF_MENUBARBREAK
#define MFT_MENUBREAK MF_MENUBREAK
#define MFT_OWNERDRAW MF_OWNERDRAW
#define MFT_RADIOCHECK 0x00000200L
#define MFT_SEPARATOR MF_SEPARATOR
#define MFT_RIGHTJUSTIFY MF_RIGHTJUSTIFY

#define MFS_ENABLED MF_ENABLED
#define MFS_GRAYED 0x00000003L
#define MFS_DISABLED MFS_GRAYED
#define MFS_UNCHECKED MF_UNCHECKED
#define MFS_CHECKED MF_CHECKED
#define MFS_UNHILITE 0x00000000L
#define MFS_HILITE MF_HILITE
#define MFS_DEFAULT MF_DEFAULT

// TrackPopupMenu(Ex) flags. Alignment flags are accepted; the menu shows
// with its top left corner at the point, moved onto the screen by Qt.
#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L

// Messages of menus and owner-drawn items.
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_INITMENU 0x0116
#define WM_INITMENUPOPUP 0x0117

// Owner-drawn items: control type, actions and states.
#define ODT_MENU 1
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008

struct MENUITEMINFOW {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HBITMAP hbmpChecked;    // kept, never drawn
    HBITMAP hbmpUnchecked;  // kept, never drawn
    ULONG_PTR dwItemData;
    // In: the item's text (MIIM_STRING, or MIIM_TYPE with MFT_STRING). Out:
    // the caller's buffer of cch units, or null to ask for the length.
    LPWSTR dwTypeData;
    UINT cch;
    HBITMAP hbmpItem;  // kept, never drawn
};
typedef MENUITEMINFOW* LPMENUITEMINFOW;
typedef const MENUITEMINFOW* LPCMENUITEMINFOW;

struct MEASUREITEMSTRUCT {
    UINT CtlType;  // ODT_MENU
    UINT CtlID;    // 0 for a menu
    UINT itemID;
    UINT itemWidth;   // out
    UINT itemHeight;  // out
    ULONG_PTR itemData;
};
typedef MEASUREITEMSTRUCT* LPMEASUREITEMSTRUCT;

struct DRAWITEMSTRUCT {
    UINT CtlType;  // ODT_MENU
    UINT CtlID;    // 0 for a menu
    UINT itemID;
    UINT itemAction;  // ODA_DRAWENTIRE
    UINT itemState;   // ODS_SELECTED while hovered, ODS_GRAYED, ODS_CHECKED
    HWND hwndItem;    // the menu's HMENU
    HDC hDC;          // valid during the message only
    RECT rcItem;
    ULONG_PTR itemData;
};
typedef DRAWITEMSTRUCT* LPDRAWITEMSTRUCT;

struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
};
typedef TPMPARAMS* LPTPMPARAMS;

// A copy of the program's menu resource `name` (a number by
// MAKEINTRESOURCEW, or a text; ui/menu_resource.h), which the caller
// destroys; `instance` is not used (every module's menus are the program's
// tables). Null with ERROR_RESOURCE_NAME_NOT_FOUND when none is registered.
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
// An empty menu bar / popup menu, which the caller destroys.
HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and, recursively, its submenus.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// The submenu of the popup item at `position`; null when that item has none.
HMENU GetSubMenu(HMENU menu, int position);
// -1 for a bad handle.
int GetMenuItemCount(HMENU menu);
// The id of the item at `position`; 0xFFFFFFFF for an item with a submenu
// or no such item.
UINT GetMenuItemID(HMENU menu, int position);
// MF_ flags of the item (MF_GRAYED, MF_CHECKED, MF_POPUP, MF_SEPARATOR,
// ...); 0xFFFFFFFF when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// The item's text, as the text getters copy (at most size - 1 units and a
// terminator); with a null buffer, its length.
int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int size, UINT flags);

// `flags`: MF_STRING with `item` the text; MF_SEPARATOR; MF_POPUP with `id`
// the submenu's HMENU (owned by this menu from now on); MF_OWNERDRAW with
// `item` the item data (not a text); MF_BITMAP with `item` an HBITMAP;
// plus MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_DEFAULT, MF_MENUBREAK.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR item);
// Inserts before the item `position` (MF_BYPOSITION; 0xFFFFFFFF or the
// count appends) or before the item with that id (MF_BYCOMMAND, in the
// menu that holds it).
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR item);
// Replaces the item's type, state, id and text (or submenu, or data) as
// AppendMenuW would make them; a submenu it had is destroyed when another
// takes its place.
BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR item);
BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
// Changes the fields that fMask names.
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
// Fills the fields that fMask names. For the text: with a null dwTypeData,
// cch is set to its length; else at most cch - 1 units and a terminator
// are copied and cch is set to the units copied.
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info);
// Takes the item out; its submenu, if any, is kept (the caller owns it).
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
// Takes the item out and destroys its submenu.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// `enable`: MF_ENABLED, MF_GRAYED or MF_DISABLED, with MF_BYCOMMAND or
// MF_BYPOSITION. The previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED),
// -1 when there is no such item.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
// The previous check state (MF_CHECKED or MF_UNCHECKED), 0xFFFFFFFF when
// there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);

// Shows `menu` as a popup at the screen point (x, y) for `owner`: a
// question to the prompter (ui::Prompter::ChoosePopupMenuCommand), which
// sends WM_INITMENUPOPUP to the owner before the menu and each submenu
// shows. With TPM_RETURNCMD the chosen id is returned (0 for none);
// otherwise the choice is posted to the owner as WM_COMMAND (MAKEWPARAM(id,
// 0), 0) and the result is TRUE when something was chosen. Runs a modal
// loop with the default prompter.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
