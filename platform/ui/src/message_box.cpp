#include "ui/message_box.h"

#include "handle_table.h"
#include "ui/prompter.h"
#include "winapi/errors.h"

namespace ui {

MessageBoxButtons ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return {{IDOK}, 1};
    case MB_OKCANCEL:
        return {{IDOK, IDCANCEL}, 2};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, IDRETRY, IDIGNORE}, 3};
    case MB_YESNOCANCEL:
        return {{IDYES, IDNO, IDCANCEL}, 3};
    case MB_YESNO:
        return {{IDYES, IDNO}, 2};
    case MB_RETRYCANCEL:
        return {{IDRETRY, IDCANCEL}, 2};
    default:
        return {{}, 0};
    }
}

}  // namespace ui

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    if (owner && !ui::detail::WindowOrError(owner)) return 0;
    if (ui::ButtonsOf(type).count == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ui::MessageBoxQuestion question{owner, caption ? caption : u"Error", text ? text : u"", type};
    return ui::CurrentPrompter().AskMessageBox(question);
}
