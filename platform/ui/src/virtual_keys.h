// Qt's keys as virtual keys, and the keys the windows saw go down.
#pragma once

class QKeyEvent;

namespace ui::detail {

// The virtual key of a key event (keypad keys as VK_NUMPAD0..VK_DIVIDE);
// 0 for a key without one.
int VirtualKeyOf(const QKeyEvent& event);
// Records a key going down or up in a window, for GetKeyState.
void NoteKeyTransition(int virtualKey, bool down);
// Whether the windows saw the key go down and not up since.
bool KeyNotedDown(int virtualKey);

}  // namespace ui::detail
