#include "ui/window_placement.h"

#include "handle_table.h"
#include "ui/window.h"
#include "ui/window_functions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace ui {
namespace {

RECT ToRect(const QRect& rect) {
    return RECT{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// The screen that holds the centre of `area`, else the one nearest to it.
QScreen* NearestScreen(const QRect& area) {
    QPoint centre = area.center();
    if (QScreen* screen = QGuiApplication::screenAt(centre)) return screen;
    QScreen* nearest = QGuiApplication::primaryScreen();
    long long best = -1;
    for (QScreen* screen : QGuiApplication::screens()) {
        QRect geometry = screen->geometry();
        long long dx = std::max({geometry.left() - centre.x(), 0, centre.x() - geometry.right()});
        long long dy = std::max({geometry.top() - centre.y(), 0, centre.y() - geometry.bottom()});
        long long distance = dx * dx + dy * dy;
        if (best < 0 || distance < best) {
            best = distance;
            nearest = screen;
        }
    }
    return nearest;
}

RECT WorkAreaNear(const RECT& rect) {
    QScreen* screen = NearestScreen(QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1)));
    return screen ? ToRect(screen->availableGeometry()) : RECT{0, 0, 0, 0};
}

}  // namespace

RECT NearestWorkArea(HWND hwnd) {
    RECT rect{};
    if (hwnd && GetWindowRect(hwnd, &rect)) return WorkAreaNear(rect);
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? ToRect(screen->availableGeometry()) : RECT{0, 0, 0, 0};
}

RECT CenteredRect(const RECT& window, const RECT* owner, const RECT& workArea) {
    const RECT& area = owner ? *owner : workArea;
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    LONG left = (area.left + area.right) / 2 - width / 2;
    LONG top = (area.top + area.bottom) / 2 - height / 2;
    // Inside the work area; a window larger than it keeps its top-left
    // corner visible, where its title and first controls are.
    left = std::max(std::min(left, workArea.right - width), workArea.left);
    top = std::max(std::min(top, workArea.bottom - height), workArea.top);
    return RECT{left, top, left + width, top + height};
}

bool CenterWindow(HWND hwnd, HWND owner) {
    Window* window = detail::WindowOrError(hwnd);
    if (!window || !window->Widget()) return false;
    if (!owner) owner = window->Parent();
    RECT windowRect{};
    GetWindowRect(hwnd, &windowRect);

    if (window->IsChild()) {
        // Over the parent's client area, in the parent's coordinates.
        QWidget* parent = window->Widget()->parentWidget();
        if (!parent) return false;
        RECT client{0, 0, parent->width(), parent->height()};
        RECT placed = CenteredRect(windowRect, &client, client);
        window->Widget()->move(placed.left, placed.top);
        return true;
    }

    RECT ownerRect{};
    bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &ownerRect);
    RECT workArea = overOwner ? WorkAreaNear(ownerRect) : NearestWorkArea(hwnd);
    RECT placed = CenteredRect(windowRect, overOwner ? &ownerRect : nullptr, workArea);
    return SetWindowPos(hwnd, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) !=
           FALSE;
}

}  // namespace ui

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
    ui::Window* window = ui::detail::WindowOrError(hwnd);
    if (!window || !window->Widget() || !placement || placement->length != sizeof(WINDOWPLACEMENT)) return FALSE;
    QWidget* widget = window->Widget();
    placement->flags = 0;
    placement->showCmd = widget->isMinimized()   ? SW_SHOWMINIMIZED
                         : widget->isMaximized() ? SW_SHOWMAXIMIZED
                                                 : SW_SHOWNORMAL;
    placement->ptMinPosition = POINT{-1, -1};
    placement->ptMaxPosition = POINT{-1, -1};
    QRect normal = widget->isWindow() && (widget->isMinimized() || widget->isMaximized()) ? widget->normalGeometry()
                                                                                          : widget->geometry();
    if (!normal.isValid()) normal = widget->geometry();
    placement->rcNormalPosition =
        RECT{normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()};
    return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement) {
    ui::Window* window = ui::detail::WindowOrError(hwnd);
    if (!window || !window->Widget() || !placement || placement->length != sizeof(WINDOWPLACEMENT)) return FALSE;
    QWidget* widget = window->Widget();
    const RECT& normal = placement->rcNormalPosition;
    if (widget->isMinimized() || widget->isMaximized()) widget->showNormal();
    widget->setGeometry(normal.left, normal.top, std::max<LONG>(normal.right - normal.left, 0),
                        std::max<LONG>(normal.bottom - normal.top, 0));
    ShowWindow(hwnd, static_cast<int>(placement->showCmd));
    return TRUE;
}
