#include "menu_translation.h"

#include "current_translation.h"

#include <set>
#include <vector>

bool gbTranslateMenu(TranslatableMenu* menu, const WCHAR* category, const WCHAR* section, bool /*reserved*/) {
    if (!menu) return false;
    bool allSet = true;
    // Walked with an explicit list and a set of menus seen, so that neither
    // a deep nor a self-containing menu can exhaust the stack or loop.
    std::set<TranslatableMenu*> seen{menu};
    std::vector<TranslatableMenu*> pending{menu};
    while (!pending.empty()) {
        TranslatableMenu* current = pending.back();
        pending.pop_back();
        for (int position = 0, count = current->ItemCount(); position < count; ++position) {
            if (TranslatableMenu* subMenu = current->SubMenu(position)) {
                if (seen.insert(subMenu).second) pending.push_back(subMenu);
                continue;
            }
            UINT id = current->ItemId(position);
            if (id == 0) continue;
            const std::u16string* text = tesspur::CurrentTranslation(static_cast<int>(id), category, section);
            if (text && !current->SetItemText(position, *text)) allSet = false;
        }
    }
    return allSet;
}
