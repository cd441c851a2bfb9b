// Drag and drop inside the layer: effects and key states as Qt sees them,
// and the step that runs a drag, which tests replace (QDrag::exec would
// wait for a real pointer).
#pragma once

#include "ui/drag_drop.h"

#include <Qt>

#include <functional>

class QDropEvent;
class QMimeData;
class QWidget;

namespace ui::detail {

Qt::DropActions ToQtActions(DROPEFFECT effects);
Qt::DropAction ToQtAction(DROPEFFECT effect);
DROPEFFECT FromQtAction(Qt::DropAction action);
DROPEFFECT FromQtActions(Qt::DropActions actions);
// MK_* bits of a drag event's buttons and modifiers.
DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
DWORD KeyStateOf(const QDropEvent& event);

// Runs a drag of `data` with the allowed effects and returns the effect the
// target chose. The runner does not own the data.
using DragRunner = std::function<DROPEFFECT(const QMimeData& data, DROPEFFECT allowed)>;
// Replaces the runner (empty: QDrag::exec); returns the previous one.
DragRunner SetDragRunner(DragRunner runner);
// Runs a drag of `data` (taken) from `source` (may be null).
DROPEFFECT RunDrag(QMimeData* data, DROPEFFECT allowed, QWidget* source);

// Registers `target` for the drag events of `widget`, a widget inside
// `window`'s (a scroll area's viewport); points reach the target in the
// window's client coordinates. COleDropTarget::Register is this with the
// window's own widget.
BOOL RegisterDropTarget(COleDropTarget& target, CWnd& window, QWidget* widget);

}  // namespace ui::detail
