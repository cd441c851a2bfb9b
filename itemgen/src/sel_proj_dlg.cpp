#include "sel_proj_dlg.h"

#include "dest_folder.h"
#include "product_name.h"

#include "common/settings_light.h"
#include "ui/message_box.h"
#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/modules.h"
#include "winapi/system_messages.h"
#include "winapi/wide_format.h"
#include "yandrel/sel_proj.h"

#include <cstdint>
#include <new>
#include <string>

namespace coravent {

namespace {

constexpr WCHAR kDefaultProductName[] = u"ZENTRAVIKO Vyl";

// The system's text of a Win32 error, empty when it has none.
std::u16string SystemText(DWORD error) {
    WCHAR* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 1024, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::u16string taken = length && text ? std::u16string(text, length) : std::u16string();
    if (text) LocalFree(text);
    return taken;
}

}  // namespace

SelProjDlg::~SelProjDlg() { ::operator delete(mpoOutPointer); }

LONG SelProjDlg::mlRun() {
    const std::u16string path = SettingsLight().goGetLocation(kSharedLocation) + yandrel::kLibraryName;
    HMODULE library = LoadLibraryW(path.c_str());
    if (!library) {
        const DWORD error = GetLastError();
        const std::u16string product = goProductName(kDefaultProductName);
        std::u16string text = winapi::FormatTexts(
            u"Could not load the dynamic link library '%s'.\nPlease "
            u"repair/reinstall %s.",
            {path.c_str(), product.c_str()});
        if (const std::u16string system = SystemText(error); !system.empty()) text += u"\n\nWin32 Error:\n" + system;
        MessageBoxW(ghOwnerWindow(mhParentWnd), text.c_str(), moCaption.m_str, MB_ICONWARNING);
        return 0;
    }
    auto selProj = reinterpret_cast<SelProjFunction>(GetProcAddress(library, yandrel::kSelProjExport));
    if (!selProj) {
        const std::u16string product = goProductName(kDefaultProductName);
        const std::u16string text = winapi::FormatTexts(
            u"The dynamic link library '%s' is corrupt.\nPlease repair/reinstall %s.", {path.c_str(), product.c_str()});
        MessageBoxW(ghOwnerWindow(mhParentWnd), text.c_str(), moCaption.m_str, MB_ICONERROR);
        FreeLibrary(library);
        return 0;
    }
    const LONG chosen = selProj(ghOwnerWindow(mhParentWnd), mlInitialFolderID, mlItemsRootID, mqReserved1, mqReserved2,
                                mpoSpMgr.get(), &moBasePath.m_str, &moCaption.m_str, &moOutString.m_str, &mqOutWord,
                                &mpoOutPointer, &mlOutNumber, mlUserID, mbFlag1, mbFlag2, mbFlag3);
    FreeLibrary(library);
    return chosen;
}

}  // namespace coravent
