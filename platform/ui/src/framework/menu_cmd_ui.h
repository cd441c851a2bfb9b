// The update-UI request of one menu item: Enable, SetCheck and SetText edit
// the menu's data, which a bound menu widget shows (src/menu_widgets.h).
#pragma once

#include "ui/framework/cmd_target.h"

namespace ui::detail {

class MenuCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override;
    void SetCheck(int nCheck) override;
    void SetText(LPCTSTR lpszText) override;
};

// The update-UI pass over `menu`'s commands (separators and submenus
// skipped), routed through `target`; an item no target handles is greyed.
// Cost: one routing per item.
void UpdateMenuCommands(HMENU menu, CCmdTarget* target);

}  // namespace ui::detail
