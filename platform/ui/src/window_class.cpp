#include "ui/window_class.h"

#include "icon_internal.h"

#include "dialog_control.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "window_events.h"
#include "window_state.h"
#include "ui/device_context.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui/window_styles.h"
#include "window_class_internal.h"
#include "winapi/errors.h"

#include <QObject>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace ui::detail {
namespace {

struct ClassRecord {
    WNDCLASSW record;
    std::u16string name;
    ATOM atom;
};

std::map<QString, ClassRecord>& Classes() {
    static std::map<QString, ClassRecord> classes;
    return classes;
}

QString KeyOf(LPCWSTR name) { return ToQString(name).toCaseFolded(); }

const ClassRecord* FindClass(LPCWSTR name) {
    if (!name) return nullptr;
    auto found = Classes().find(KeyOf(name));
    return found == Classes().end() ? nullptr : &found->second;
}

// A window of a registered class: its messages go to the class's procedure.
class ClassWindow : public Window {
public:
    explicit ClassWindow(WNDPROC procedure) : procedure_(procedure) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (procedure_) return procedure_(Handle(), message, wParam, lParam);
        return Window::WindowProc(message, wParam, lParam);
    }

private:
    WNDPROC procedure_;
};

// Windows CreateWindowExW made: the layer owns them until they are
// destroyed, then frees them once Qt is back in its loop (the window's own
// code may still be running when it is destroyed).
std::map<HWND, std::unique_ptr<Window>>& OwnedWindows() {
    static std::map<HWND, std::unique_ptr<Window>> windows;
    return windows;
}

class DeferredWindowDeletion : public QObject {
public:
    explicit DeferredWindowDeletion(std::unique_ptr<Window> window) : window_(std::move(window)) {}

private:
    std::unique_ptr<Window> window_;
};

std::optional<ControlKind> BuiltInKind(LPCWSTR className) {
    QString name = ToQString(className);
    if (name.compare(QStringLiteral("Static"), Qt::CaseInsensitive) == 0) return ControlKind::Static;
    if (name.compare(QStringLiteral("Edit"), Qt::CaseInsensitive) == 0) return ControlKind::Edit;
    if (name.compare(QStringLiteral("Button"), Qt::CaseInsensitive) == 0) return ControlKind::Button;
    if (name.compare(QStringLiteral("msctls_progress32"), Qt::CaseInsensitive) == 0) return ControlKind::ProgressBar;
    return std::nullopt;
}

HWND CreateControl(ControlKind kind, DWORD exStyle, LPCWSTR windowName, DWORD style, const RECT& rect, HWND parent,
                   LONG_PTR id) {
    Window* parentWindow = parent ? WindowOrError(parent) : nullptr;
    if (!parentWindow || !parentWindow->ClientWidget() || !(style & WS_CHILD)) {
        if (!parent) SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ui::DialogControl entry{
        static_cast<int>(id), kind, windowName ? std::u16string(windowName) : std::u16string(), 0, 0, 0, 0, style};
    auto control = detail::DialogControl::Create(entry, parent, parentWindow->ClientWidget(),
                                                 QRect(rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0),
                                                       std::max<LONG>(rect.bottom - rect.top, 0)));
    if (!control) return nullptr;
    HWND hwnd = control->Handle();
    if (WindowState* state = StateOf(hwnd)) {
        state->style = style | WS_CHILD;
        state->exStyle = exStyle;
        state->id = id;
    }
    ApplyStyles(hwnd);
    control->Widget()->setVisible((style & WS_VISIBLE) != 0);
    OwnedWindows()[hwnd] = std::move(control);
    if (!(exStyle & WS_EX_NOPARENTNOTIFY))
        SendMessageW(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(id)),
                     reinterpret_cast<LPARAM>(hwnd));
    return hwnd;
}

}  // namespace

void ReleaseLayerOwnedWindow(HWND hwnd) {
    auto found = OwnedWindows().find(hwnd);
    if (found == OwnedWindows().end()) return;
    auto* deletion = new DeferredWindowDeletion(std::move(found->second));
    OwnedWindows().erase(found);
    deletion->deleteLater();
}

void ApplyClassOf(HWND hwnd, const std::u16string& className) {
    WindowState* state = StateOf(hwnd);
    const ClassRecord* found = FindClass(className.c_str());
    if (!state || !found) return;
    state->classStyle = found->record.style;
    state->doubleClicks = (found->record.style & CS_DBLCLKS) != 0;
    state->background = found->record.hbrBackground;
}

}  // namespace ui::detail

using namespace ui::detail;

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(windowClass->lpszClassName) || BuiltInKind(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    static ATOM nextAtom = 0xC000;
    ClassRecord record{*windowClass, windowClass->lpszClassName, nextAtom++};
    record.record.lpszClassName = nullptr;  // the caller's text may go
    record.record.lpszMenuName = nullptr;
    auto& stored = Classes()[KeyOf(windowClass->lpszClassName)] = std::move(record);
    stored.record.lpszClassName = stored.name.c_str();
    return stored.atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (!FindClass(className)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    Classes().erase(KeyOf(className));
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* windowClass) {
    const ClassRecord* found = FindClass(className);
    if (!found || !windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *windowClass = found->record;
    return TRUE;
}

HICON ClassIcon(LPCWSTR className) {
    const ClassRecord* found = FindClass(className);
    return found ? found->record.hIcon : nullptr;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (!WidgetsAvailable()) return nullptr;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    RECT rect{x, y, x + width, y + height};
    auto id = reinterpret_cast<LONG_PTR>(menu);
    if (auto kind = BuiltInKind(className)) return CreateControl(*kind, exStyle, windowName, style, rect, parent, id);
    const ClassRecord* found = FindClass(className);
    if (!found) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto window = std::make_unique<ClassWindow>(found->record.lpfnWndProc);
    std::u16string title = windowName ? std::u16string(windowName) : std::u16string();
    HWND hwnd = window->Create(parent, found->name, rect, style, title, exStyle, id, param, instance);
    if (!hwnd) return nullptr;
    OwnedWindows()[hwnd] = std::move(window);
    return hwnd;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window) return 0;
    PassEventToQt(hwnd, message);
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_ERASEBKGND: {
        WindowState* state = StateOf(hwnd);
        RECT client{};
        if (!state || !state->background || !GetClientRect(hwnd, &client)) return 0;
        return FillRect(reinterpret_cast<HDC>(wParam), &client, state->background) ? 1 : 0;
    }
    case WM_MOUSEACTIVATE:
        if (window->IsChild() && IsWindow(window->Parent())) {
            if (LRESULT answer = SendMessageW(window->Parent(), WM_MOUSEACTIVATE, wParam, lParam)) return answer;
        }
        return MA_ACTIVATE;
    case WM_SETTEXT:
        window->SetText(lParam ? std::u16string_view(reinterpret_cast<LPCWSTR>(lParam)) : std::u16string_view());
        return TRUE;
    case WM_GETTEXT:
        return CopyToBuffer(window->Text(), reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window->Text().size());
    case WM_SETICON:
    case WM_GETICON: {
        // The window keeps the icons' handles (the caller keeps the icons)
        // and shows their images; the previous handle is the answer.
        WindowState* state = StateOf(hwnd);
        if (!state) return 0;
        HICON& slot = wParam == ICON_BIG ? state->bigIcon : state->smallIcon;
        if (message == WM_GETICON) return reinterpret_cast<LRESULT>(slot);
        if (window->Widget()) SetWindowIcon(window->Widget(), wParam, reinterpret_cast<HICON>(lParam));
        return reinterpret_cast<LRESULT>(std::exchange(slot, reinterpret_cast<HICON>(lParam)));
    }
    default:
        return 0;
    }
}
