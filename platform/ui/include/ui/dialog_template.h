// Dialog templates: the layer's stand-in for dialog resources. A dialog's
// code keeps its template as a constant table, as a resource script would:
// sizes and positions in dialog units, which become pixels through the
// dialog's font (ui::Dialog).
#pragma once

#include "winapi/types.h"

#include <string>
#include <vector>

// Control styles the layer honours (besides WS_DISABLED, WS_BORDER).
#define SS_LEFT 0x0000L
#define SS_CENTER 0x0001L
#define SS_RIGHT 0x0002L
#define ES_PASSWORD 0x0020L
#define ES_READONLY 0x0800L
#define BS_DEFPUSHBUTTON 0x0001L

namespace ui {

enum class ControlKind {
    Static,       // a label ("STATIC")
    Edit,         // a one-line edit field ("EDIT")
    Button,       // a push button ("BUTTON"); BS_DEFPUSHBUTTON for Enter
    ProgressBar,  // "msctls_progress32": range 0-100, position 0 at first
    CheckBox,     // a check box ("BUTTON", BS_AUTOCHECKBOX): a click toggles it and sends BN_CLICKED;
                  // BM_GETCHECK / BM_SETCHECK (IsDlgButtonChecked, CheckDlgButton) read and set it
};

struct DialogControl {
    int id;
    ControlKind kind;
    std::u16string text;
    short x, y, cx, cy;  // dialog units
    DWORD style = 0;
};

struct DialogTemplate {
    int id;            // the resource id, 0 for none
    std::string name;  // a stable name for tests and logs, e.g. "Progress"
    std::u16string caption;
    short cx, cy;  // client size in dialog units
    // "MS Shell Dlg" (and any face this machine lacks) is the desktop's
    // user-interface font family; the point size is kept.
    std::u16string fontFace;
    int fontPointSize;
    std::vector<DialogControl> controls;
};

}  // namespace ui
