#include "ui/window_functions.h"

#include "copy_data_internal.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "ui/window.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

using ui::detail::WindowOrError;

namespace ui {
void DestroyWindowObject(Window& window);
}

namespace {

// The window's widget; null (with the last error) for no window, and for a
// window without a widget (one of another process).
QWidget* WidgetOf(HWND hwnd) {
    ui::Window* window = WindowOrError(hwnd);
    return window ? window->Widget() : nullptr;
}

}  // namespace

BOOL IsWindow(HWND hwnd) { return ui::detail::LookupWindow(hwnd) != nullptr; }

BOOL DestroyWindow(HWND hwnd) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window) return FALSE;
    ui::DestroyWindowObject(*window);
    return TRUE;
}

HWND GetParent(HWND hwnd) {
    ui::Window* window = WindowOrError(hwnd);
    return window ? window->Parent() : nullptr;
}

BOOL ShowWindow(HWND hwnd, int command) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return FALSE;
    BOOL wasVisible = widget->isVisible();
    switch (command) {
    case SW_HIDE:
        widget->hide();
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        widget->showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        widget->showMaximized();
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        widget->showNormal();
        break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        widget->setAttribute(Qt::WA_ShowWithoutActivating);
        widget->show();
        break;
    default:
        widget->show();
        break;
    }
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
    QWidget* widget = WidgetOf(hwnd);
    return widget && widget->isVisible();
}

BOOL IsIconic(HWND hwnd) {
    QWidget* widget = WidgetOf(hwnd);
    return widget && widget->window()->isMinimized();
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return FALSE;
    BOOL wasDisabled = !widget->isEnabled();
    widget->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    QWidget* widget = WidgetOf(hwnd);
    return widget && widget->isEnabled();
}

BOOL UpdateWindow(HWND hwnd) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return FALSE;
    if (widget->isVisible()) widget->repaint();
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return FALSE;
    if (rect)
        widget->update(QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)));
    else
        widget->update();
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* update, HRGN region, UINT flags) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget || region) return FALSE;
    if (flags & RDW_INVALIDATE) {
        InvalidateRect(hwnd, update, TRUE);
        // Qt paints a widget's children with it only where they lie in the
        // area; every child window is asked for all of its own.
        if (flags & RDW_ALLCHILDREN) {
            for (HWND child : ui::detail::AllWindows()) {
                for (HWND up = child; up; up = GetParent(up)) {
                    ui::Window* window = ui::detail::LookupWindow(up);
                    if (!window || !window->IsChild()) break;
                    if (window->Parent() == hwnd) {
                        InvalidateRect(child, nullptr, TRUE);
                        break;
                    }
                }
            }
        }
    }
    if ((flags & RDW_UPDATENOW) && widget->isVisible()) widget->repaint();
    return TRUE;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window) return FALSE;
    window->SetText(text ? std::u16string_view(text) : std::u16string_view());
    return TRUE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window) {
        if (buffer && size > 0) buffer[0] = u'\0';
        return 0;
    }
    return ui::detail::CopyToBuffer(window->Text(), buffer, size);
}

int GetWindowTextLengthW(HWND hwnd) {
    ui::Window* window = WindowOrError(hwnd);
    return window ? static_cast<int>(window->Text().size()) : 0;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget || !rect) return FALSE;
    QRect frame =
        widget->isWindow() ? widget->frameGeometry() : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    *rect = RECT{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return FALSE;
    if (!(flags & SWP_NOSIZE)) widget->resize(std::max(cx, 0), std::max(cy, 0));
    if (!(flags & SWP_NOMOVE)) widget->move(x, y);
    if (flags & SWP_SHOWWINDOW) widget->show();
    if (flags & SWP_HIDEWINDOW) widget->hide();
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    if (!SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)) return FALSE;
    if (repaint) UpdateWindow(hwnd);
    return TRUE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    if (!className) return nullptr;
    QString wanted = ui::detail::ToQString(className);
    for (HWND hwnd : ui::detail::AllWindows()) {
        ui::Window* window = ui::detail::LookupWindow(hwnd);
        if (!window || window->IsChild() || !window->Widget()) continue;
        if (ui::detail::ToQString(window->ClassName()).compare(wanted, Qt::CaseInsensitive) != 0) continue;
        if (windowName && window->Text() != std::u16string_view(windowName)) continue;
        return hwnd;
    }
    if (windowName) return nullptr;
    return ui::detail::FindWindowOfOtherProcess(className);
}

namespace {

// Visits the children of `parent` depth first; false once `proc` stopped.
bool VisitChildren(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
    for (HWND hwnd : ui::detail::AllWindows()) {
        ui::Window* window = ui::detail::LookupWindow(hwnd);
        if (!window || !window->IsChild() || window->Parent() != parent) continue;
        if (!proc(hwnd, lParam)) return false;
        if (!VisitChildren(hwnd, proc, lParam)) return false;
    }
    return true;
}

}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
    if (!WindowOrError(parent) || !proc) return FALSE;
    VisitChildren(parent, proc, lParam);
    return TRUE;
}
