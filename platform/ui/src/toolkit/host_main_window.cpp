#include "host_main_window.h"

#include "ui/window.h"

#include <QMainWindow>

namespace ui::detail {

QMainWindow* HostMainWindow(HWND frame) {
    Window* window = WindowFromHandle(frame);
    return window ? qobject_cast<QMainWindow*>(window->Widget()) : nullptr;
}

}  // namespace ui::detail
