#include "menu_cmd_ui.h"

#include "ui/menus.h"

namespace ui::detail {

void MenuCmdUI::Enable(BOOL bOn) {
    m_bEnableChanged = TRUE;
    EnableMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
}

void MenuCmdUI::SetCheck(int nCheck) {
    CheckMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

void MenuCmdUI::SetText(LPCTSTR lpszText) {
    // The item keeps its state; only its text changes.
    UINT state = GetMenuState(m_pMenu, m_nIndex, MF_BYPOSITION);
    if (state == 0xFFFFFFFF) return;
    UINT kept = state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT);
    ModifyMenuW(m_pMenu, m_nIndex, MF_BYPOSITION | MF_STRING | kept, m_nID, lpszText);
}

void UpdateMenuCommands(HMENU menu, CCmdTarget* target) {
    MenuCmdUI state;
    state.m_pMenu = menu;
    int count = GetMenuItemCount(menu);
    state.m_nIndexMax = count > 0 ? static_cast<UINT>(count) : 0;
    for (int index = 0; index < count; ++index) {
        UINT id = GetMenuItemID(menu, index);
        if (id == 0 || id == 0xFFFFFFFF) continue;  // a separator or a submenu
        state.m_nIndex = static_cast<UINT>(index);
        state.m_nID = id;
        state.DoUpdate(target, TRUE);
    }
}

}  // namespace ui::detail
