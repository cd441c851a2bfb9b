// Where the toolkit's bars, panes and status bar go: the QMainWindow of the
// frame they are created for.
#pragma once

#include "ui/window_types.h"

class QMainWindow;

namespace ui::detail {

// The QMainWindow that is the widget of window `frame` (a frame window);
// null when `frame` is no window or its widget is no main window.
QMainWindow* HostMainWindow(HWND frame);

}  // namespace ui::detail
