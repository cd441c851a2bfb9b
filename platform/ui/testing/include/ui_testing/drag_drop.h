// Drags in a test, headless: synthetic Qt drag events delivered to the widget
// of a window under a client point (the deepest one that accepts drops, as a
// real drag finds it), and a scripted drag for code that starts one.
//
// One drag is under way at a time: DragEnter/DragOver remember the widget
// that took the drag, a move to another widget leaves the first, and Drop or
// DragLeave ends it. Each returns the effect the target answered
// (DROPEFFECT_NONE when it refused). `keys` are MK_* bits; the proposed
// effect is copy with MK_CONTROL, link with MK_CONTROL | MK_SHIFT, else move
// when allowed.
#pragma once

#include "ui/drag_drop.h"

#include <functional>

class QMimeData;

namespace ui_testing {

DROPEFFECT DragEnter(HWND hwnd, const QMimeData& data, POINT point, DWORD keys = MK_LBUTTON,
                     DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE);
DROPEFFECT DragOver(HWND hwnd, const QMimeData& data, POINT point, DWORD keys = MK_LBUTTON,
                    DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE);
void DragLeave();
DROPEFFECT Drop(HWND hwnd, const QMimeData& data, POINT point, DWORD keys = 0,
                DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE);

// While it lives, a drag that the code under test starts (DoDragDrop) runs
// `script` instead of waiting for a pointer: the script sees the dragged data
// and the allowed effects, may drop it somewhere with the calls above, and
// answers the effect the drag ends with.
class ScriptedDrag {
public:
    using Script = std::function<DROPEFFECT(const QMimeData& data, DROPEFFECT allowed)>;
    explicit ScriptedDrag(Script script);
    ~ScriptedDrag();
    ScriptedDrag(const ScriptedDrag&) = delete;
    ScriptedDrag& operator=(const ScriptedDrag&) = delete;

    // Drags run so far.
    int Count() const { return count_; }

private:
    Script script_;
    int count_ = 0;
    std::function<DROPEFFECT(const QMimeData&, DROPEFFECT)> previous_;
};

}  // namespace ui_testing
