// Qt events of a window's widget turned into the messages its WindowProc
// gets: one event filter that every window's widget has from Window::Attach
// on, so every kind of window (plain windows, dialogs and their controls,
// frames, views, toolkit widgets) gets WM_SIZE, WM_PAINT, mouse and key
// messages without doing anything.
//
// What WindowProc hands to DefWindowProcW gets Qt's own handling of the
// event after WindowProc returns; what it keeps is not seen by Qt.
#pragma once

#include "ui/window_types.h"

class QWidget;

namespace ui::detail {

// Starts translating the events of a window's own widget.
void WatchWindowEvents(QWidget* widget, HWND hwnd);
// Also translates the events of `source`, a widget inside the window's
// widget that gets the input and paint events itself (a scroll area's
// viewport); points are then given in the window's client coordinates.
void RouteEventsToWindow(QWidget* source, HWND hwnd);
// Stops translating for a window being destroyed.
void StopWatchingWindow(HWND hwnd);

// Called by DefWindowProcW: when `message` for `hwnd` is the one being
// translated from a Qt event now, Qt handles that event after WindowProc
// returns. True when it was.
bool PassEventToQt(HWND hwnd, UINT message);

// The window whose widget `widget` is, or that contains it (walking up the
// parents); null when none.
HWND WindowOfWidget(const QWidget* widget);

}  // namespace ui::detail
