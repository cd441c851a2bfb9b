#include "vault_shell_roots.h"

#include "common/desktop_ini.h"
#include "common/registry.h"

#include "winapi/errors.h"
#include "winapi/registry.h"

namespace {

// The view folder of a vault named in a list is set up for the explorer.
bool gbHasViewFolder(SettingsLight& settings, HKEY list, LPCWSTR name) {
    Registry key;
    if (!key.mbOpen(list, name, KEY_READ, 0) || !key.mbHasShellRoot()) return false;
    const std::u16string root = settings.goGetViewRoot(name);
    GUID id{};
    return !root.empty() && GetDesktopIniGuid(root.c_str(), kDesktopIniViewId, id) &&
           GetDesktopIniGuid(root.c_str(), kDesktopIniVaultId, id);
}

}  // namespace

bool EnumVaultShellRoots(SettingsLight& settings, Lst<_bstr_t>& names) {
    for (int kind : {kMachineDatabasesKey, kUserVaultsKey}) {
        Registry list;
        if (!settings.mbOpenProductKey(kind, list, kProductKeyRead)) continue;
        DWORD count = 0;
        if (RegQueryInfoKeyW(list.Key(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            count = 0;
        for (DWORD index = 0; index < count; ++index) {
            WCHAR name[1024] = {};
            DWORD length = 1024;
            if (RegEnumKeyExW(list.Key(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                continue;
            if (gbHasViewFolder(settings, list.Key(), name)) names.AddTail(_bstr_t(name));
        }
    }
    return true;
}
