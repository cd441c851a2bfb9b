// What happens to an exception that escapes a window's WindowProc.
//
// Qt's event loop must never be unwound by an exception, so every message a
// window receives (SendMessageW, and through it every dispatched, posted and
// widget-made message) is handled inside a catch frame: the exception goes
// to the installed handler and the message returns 0, as the framework does
// for an exception its message handlers leave uncaught. The default handler
// tells the user the exception's text in an error message box (through the
// prompter); the program replaces it to show its own messages (e.g. a COM
// error's description).
#pragma once

#include "ui/window_types.h"

#include <exception>
#include <functional>

namespace ui {

using UnhandledExceptionHandler = std::function<void(HWND window, UINT message, std::exception_ptr error)>;

// Installs `handler` (null: the default) and returns the one it replaces.
UnhandledExceptionHandler SetUnhandledExceptionHandler(UnhandledExceptionHandler handler);

// Hands the exception being handled to the installed handler; a handler that
// throws itself ends the process, as an exception in a destructor would.
void ReportUnhandledException(HWND window, UINT message, std::exception_ptr error) noexcept;

}  // namespace ui
