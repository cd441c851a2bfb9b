// ui::Window: the layer object behind a window handle.
//
// A Window owns its Qt widget; the handle table maps the window's HWND to
// it while the window exists (from Create to DestroyWindow). Handles fit in
// 32 bits, are never null and are not reused, so a stale handle is simply
// no window (IsWindow is FALSE).
//
// Ownership follows the system's rules: the code that made a Window object
// owns the object (a member, a smart pointer); DestroyWindow destroys the
// window - its widget, its handle, first its children and the top-level
// windows it owns - but not the object, which may be created again. The
// destructor destroys a window still existing.
//
// Messages arrive at WindowProc, one per window object: derived classes
// override it and pass what they do not handle to the base.
#pragma once

#include "ui/window_types.h"

#include <memory>
#include <string>
#include <string_view>

class QWidget;

// Window styles the layer honours.
#define WS_OVERLAPPED 0x00000000L
#define WS_TABSTOP 0x00010000L
#define WS_GROUP 0x00020000L
#define WS_SYSMENU 0x00080000L
#define WS_BORDER 0x00800000L
#define WS_CAPTION 0x00C00000L
#define WS_DISABLED 0x08000000L
#define WS_VISIBLE 0x10000000L
#define WS_CHILD 0x40000000L
#define WS_POPUP 0x80000000L

namespace ui {

class CopyDataListener;

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates a plain window of class `className`: a child of `parent` when
    // `style` has WS_CHILD, else a top-level window owned by `parent` (may
    // be null). `rect` is in the parent's client coordinates for a child,
    // in screen coordinates otherwise. WS_VISIBLE shows it. Sends WM_CREATE
    // (lParam 0; a result of -1 destroys the window again and Create returns
    // null).
    // Null when the window already exists or `parent` is not a window.
    HWND Create(HWND parent, std::u16string className, const RECT& rect, DWORD style, std::u16string_view title = {});

    HWND Handle() const { return handle_; }
    bool Exists() const { return handle_ != nullptr; }
    // The window's widget; null while the window does not exist.
    QWidget* Widget() const { return widget_; }
    // The widget that child windows of this window live in: the widget
    // itself, except for windows whose client area is a part of their widget
    // (a frame's central area).
    virtual QWidget* ClientWidget() const { return widget_; }
    const std::u16string& ClassName() const { return className_; }
    // The parent of a child window, the owner of a top-level one.
    HWND Parent() const { return parent_; }
    bool IsChild() const { return child_; }

    // Lets other processes of this user find the window by its class name
    // (FindWindowW) and send it WM_COPYDATA (ui/copy_data.h). False when the
    // window does not exist or the name is already taken by a live window
    // of another process.
    bool PublishToOtherProcesses();

    // The default handles WM_CLOSE (destroys the window) and WM_SETICON (the
    // widget's window icon; the icon set before is the result) and returns 0
    // for everything else.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The window's text: a top-level window's title, a control's text.
    virtual std::u16string Text() const;
    virtual void SetText(std::u16string_view text);

protected:
    // Makes `widget` (just built, not shown, owned from now on) this
    // window's widget and gives the window its handle. Derived classes that
    // build their own widgets call it instead of Create. `parent` as for
    // Create; `child` says whether the window is a child window.
    HWND Attach(QWidget* widget, HWND parent, bool child, std::u16string className);

private:
    friend void DestroyWindowObject(Window& window);

    HWND handle_ = nullptr;
    QWidget* widget_ = nullptr;  // Owned while the window exists.
    HWND parent_ = nullptr;
    bool child_ = false;
    std::u16string className_;
    std::unique_ptr<CopyDataListener> listener_;  // while published
};

// The window a handle names, or null (a destroyed or unknown handle, a
// window of another process).
Window* WindowFromHandle(HWND hwnd);

}  // namespace ui
