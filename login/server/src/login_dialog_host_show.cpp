// ShowLoginDialog: fills the host and runs the login dialog library.
#include "login/login_dialog_host.h"

#include "login_dialog_host_messages.h"
#include "ui/message_box.h"

#include "common/settings_light.h"
#include "winapi/modules.h"

namespace {

constexpr WCHAR kLibraryName[] = u"Pruvane.dll";

// The dialog library found by the system's search, else in the shared
// location folder; null when neither loads, with `secondPath` the path
// tried last.
HMODULE LoadDialogLibrary(std::u16string& secondPath) {
    if (HMODULE library = LoadLibraryW(kLibraryName)) return library;
    SettingsLight settings;
    secondPath = settings.goGetLocation(kSharedLocation) + kLibraryName;
    return LoadLibraryW(secondPath.c_str());
}

}  // namespace

int ShowLoginDialog(Pruvane& host, LPCWSTR vaultName, VaultConnectionSettings settings,
                    DunmorrowLib::LoginInfo loginInfo) {
    // Window handles fit in 32 bits; the request carries one in 64.
    host.Fill(vaultName, settings,
              reinterpret_cast<HWND>(static_cast<UINT_PTR>(static_cast<DWORD>(loginInfo.mlParentWnd))));

    std::u16string secondPath;
    HMODULE library = LoadDialogLibrary(secondPath);
    if (!library) {
        const std::u16string caption = login_dialog_host::ProductCaption();
        login_dialog_host::ShowMessage(host.ParentWindow(),
                                       u"The dynamic link library '" + secondPath + u"' is corrupt.\nPlease " +
                                           u"repair/reinstall " + caption + u".",
                                       MB_ICONERROR);
        return kLoginDialogFailed;
    }
    auto show = reinterpret_cast<ShowPruvaneFunction>(GetProcAddress(library, kShowPruvaneExport));
    if (!show) {
        FreeLibrary(library);
        return kLoginDialogFailed;
    }
    // The library's to use; never read here.
    WCHAR buffer1[120] = {};
    WCHAR buffer2[120] = {};
    const int result = show(host.ParentWindow(), &host, buffer1, 120, buffer2, 120);
    FreeLibrary(library);
    return result;
}
