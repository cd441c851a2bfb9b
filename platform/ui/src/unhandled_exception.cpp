#include "ui/unhandled_exception.h"

#include "ui/message_box.h"
#include "ui/window_functions.h"
#include "winapi/text.h"

#include <string>
#include <utility>

namespace ui {

namespace {

// The exception's text as the user reads it.
std::u16string DescriptionOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& e) {
        // what() is UTF-8, as all narrow text here.
        std::u16string text = winapi::ToUtf16(e.what());
        if (!text.empty()) return text;
    } catch (...) {}
    return u"An unexpected error occurred.";
}

void ShowInMessageBox(HWND window, UINT, std::exception_ptr error) {
    const std::u16string text = DescriptionOf(std::move(error));
    MessageBoxW(IsWindow(window) ? window : nullptr, text.c_str(), u"Error", MB_OK | MB_ICONERROR);
}

UnhandledExceptionHandler& Installed() {
    static UnhandledExceptionHandler handler = ShowInMessageBox;
    return handler;
}

}  // namespace

UnhandledExceptionHandler SetUnhandledExceptionHandler(UnhandledExceptionHandler handler) {
    UnhandledExceptionHandler previous = std::move(Installed());
    Installed() = handler ? std::move(handler) : UnhandledExceptionHandler(ShowInMessageBox);
    return previous;
}

void ReportUnhandledException(HWND window, UINT message, std::exception_ptr error) noexcept {
    Installed()(window, message, std::move(error));
}

}  // namespace ui
