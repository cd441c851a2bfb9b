// gbTranslateMenu: the string manager's translation of a whole menu in
// place. Menus belong to the UI layer; the string manager sees one through
// the few calls below, which the UI layer's menu answers.
#pragma once

#include "winapi/types.h"

#include <string_view>

class TranslatableMenu {
public:
    virtual int ItemCount() const = 0;
    // The command id of the item at `position`; 0 for a separator.
    virtual UINT ItemId(int position) const = 0;
    // The drop-down menu of the item at `position`, or null for a command
    // item or a separator. Not owned.
    virtual TranslatableMenu* SubMenu(int position) = 0;
    // Replaces the caption of the item at `position`; false when it cannot.
    virtual bool SetItemText(int position, std::u16string_view text) = 0;

protected:
    ~TranslatableMenu() = default;
};

// Gives every command item of `menu` and of its drop-down menus, at any
// depth, the translation of its command id in `category` and `section`
// (TSS_internal's lookup); items without a translation, separators and the
// captions of drop-down items keep their texts. A drop-down menu met again
// (a menu that holds itself) is not walked twice. `reserved` (false from
// every caller) changes nothing. False for a null menu or when a caption
// could not be set (the other items are still translated), else true.
bool gbTranslateMenu(TranslatableMenu* menu, const WCHAR* category, const WCHAR* section, bool reserved);
