#include "ui/framework/afx_message_box.h"

#include "handle_table.h"
#include "ui/framework/win_app.h"
#include "ui/framework/wnd.h"
#include "ui/string_table.h"

#include <QApplication>
#include <QWidget>

namespace {

// The active top-level window of the process, else the main window.
HWND MessageBoxOwner() {
    if (QWidget* active = QApplication::activeWindow()) {
        for (HWND hwnd : ui::detail::AllWindows()) {
            ui::Window* window = ui::detail::LookupWindow(hwnd);
            if (window && window->Widget() == active) return hwnd;
        }
    }
    CWnd* mainWindow = AfxGetMainWnd();
    return mainWindow ? mainWindow->m_hWnd : nullptr;
}

}  // namespace

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
    CWinApp* app = AfxGetApp();
    return MessageBoxW(MessageBoxOwner(), lpszText, app ? app->m_pszAppName : nullptr, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    std::u16string text = ui::LookupString(nIDPrompt).value_or(std::u16string());
    return AfxMessageBox(text.c_str(), nType, nIDHelp);
}
