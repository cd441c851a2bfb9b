#include "report_in_place_edit.h"

#include "text_conversion.h"
#include "ui/input.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

#include <QLineEdit>
#include <QWidget>

#include <algorithm>

#include <utility>

namespace ui {

ReportInPlaceEdit::ReportInPlaceEdit() = default;

ReportInPlaceEdit::~ReportInPlaceEdit() {
    // The finishing function belongs to the control going away with us.
    finished_ = nullptr;
}

QLineEdit* ReportInPlaceEdit::LineEdit() const { return static_cast<QLineEdit*>(Widget()); }

HWND ReportInPlaceEdit::Open(HWND control, QWidget* parent, const QRect& rect, std::u16string_view text, int maxLength,
                             Finished finished) {
    End(false);
    if (!parent || !IsWindow(control)) return nullptr;
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("report-in-place-edit"));
    edit->setFrame(false);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    edit->setText(detail::ToQString(text));
    edit->setGeometry(rect);
    HWND hwnd = Attach(edit, control, true, u"Edit");
    if (!hwnd) return nullptr;
    finished_ = std::move(finished);
    edit->selectAll();
    edit->show();
    edit->setFocus(Qt::OtherFocusReason);
    return hwnd;
}

void ReportInPlaceEdit::End(bool commit) {
    if (!Exists()) return;
    std::u16string text = Text();
    Finished finished = std::move(finished_);
    finished_ = nullptr;
    // Ended by a key, the editor hands the focus back to the control; ended
    // by the focus leaving, it stays where it went.
    bool hadFocus = LineEdit() && LineEdit()->hasFocus();
    HWND owner = Parent();
    // Closed before anyone hears of it: the focus loss that destroying the
    // editor may cause finds no window and ends nothing twice.
    DestroyWindow(Handle());
    if (hadFocus && IsWindow(owner)) SetFocus(owner);
    if (finished) finished(commit, text);
}

void ReportInPlaceEdit::Place(const QRect& rect) {
    if (QLineEdit* edit = LineEdit()) edit->setGeometry(rect);
}

std::u16string ReportInPlaceEdit::Text() const {
    QLineEdit* edit = LineEdit();
    return edit ? detail::FromQString(edit->text()) : std::u16string();
}

void ReportInPlaceEdit::SetText(std::u16string_view text) {
    if (QLineEdit* edit = LineEdit()) edit->setText(detail::ToQString(text));
}

LRESULT ReportInPlaceEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    QLineEdit* edit = LineEdit();
    if (!edit) return Window::WindowProc(message, wParam, lParam);
    switch (message) {
    case EM_SETSEL: {
        int length = static_cast<int>(edit->text().size());
        auto start = static_cast<int>(static_cast<LONG>(wParam));
        auto end = static_cast<int>(static_cast<LONG>(lParam));
        if (start < 0) {
            // A start of -1 removes the selection and keeps the caret.
            edit->deselect();
            return 0;
        }
        if (end < 0 || end > length) end = length;
        start = std::min(start, length);
        // The caret goes to the end given, as the selection's active end.
        edit->setSelection(start, end - start);
        return 0;
    }
    case EM_GETSEL: {
        int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        int end = edit->hasSelectedText() ? edit->selectionEnd() : start;
        if (auto* out = reinterpret_cast<DWORD*>(wParam)) *out = static_cast<DWORD>(start);
        if (auto* out = reinterpret_cast<DWORD*>(lParam)) *out = static_cast<DWORD>(end);
        return MAKELRESULT(start, end);
    }
    case EM_SCROLLCARET:
        // A line edit scrolls its text whenever the caret moves, so the
        // caret is in view already.
        return TRUE;
    case EM_LIMITTEXT:
        edit->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            End(wParam == VK_RETURN);
            return 0;
        }
        break;
    case WM_CHAR:
        // The Enter and Escape characters after their keys end nothing more.
        if (wParam == u'\r' || wParam == 0x1B) return 0;
        break;
    case WM_KILLFOCUS: {
        LRESULT result = Window::WindowProc(message, wParam, lParam);
        End(true);
        return result;
    }
    default:
        break;
    }
    return Window::WindowProc(message, wParam, lParam);
}

}  // namespace ui
