// SettingsLight: the registered vaults, their view roots and connection
// values.
#include "common/settings_light.h"

#include "common/desktop_ini.h"
#include "trailing_backslash.h"

#include "winapi/errors.h"
#include "winapi/text.h"

namespace {

// Opens the list of vaults `listName` ("Databases", "Vaults") below a
// product key for reading.
bool gbOpenVaultList(Registry* productKey, LPCWSTR listName, Registry& list) {
    return productKey && list.mbOpen(productKey->Key(), listName, KEY_READ, 0);
}

bool gbContainsIgnoreCase(const std::vector<std::u16string>& names, const std::u16string& name) {
    for (const std::u16string& listed : names)
        if (winapi::EqualsIgnoreCase(listed, name)) return true;
    return false;
}

}  // namespace

bool SettingsLight::mbOpenVaultKey(LPCWSTR name, Registry& key) {
    if (!name || !*name) return false;
    Registry machineVaults;
    Registry userVaults;
    gbOpenVaultList(mpoGetMachineKey(), u"Databases", machineVaults);
    gbOpenVaultList(mpoGetUserKey(), u"Vaults", userVaults);
    // The user's own entry wins when it names a view root.
    if (!key.mbOpen(userVaults.Key(), name, KEY_READ, 0) || !key.mbHasShellRoot())
        key.mbOpen(machineVaults.Key(), name, KEY_READ, 0);
    return key.mbHasShellRoot();
}

std::u16string SettingsLight::goGetViewRoot(LPCWSTR name) {
    Registry key;
    std::u16string root;
    if (!mbOpenVaultKey(name, key) || !key.mbGetString(u"ShellRoot", root) || root.empty()) return {};
    return goWithBackslash(root);
}

bool SettingsLight::mbIsUsableVault(HKEY list, LPCWSTR name) {
    Registry key;
    if (!key.mbOpen(list, name, KEY_READ, 0) || !key.mbHasShellRoot()) return false;
    std::u16string root = goGetViewRoot(name);
    GUID id{};
    return !root.empty() && GetDesktopIniGuid(root.c_str(), kDesktopIniViewId, id) &&
           GetDesktopIniGuid(root.c_str(), kDesktopIniVaultId, id);
}

std::vector<std::u16string> SettingsLight::moListVaults() {
    std::vector<std::u16string> names;
    Registry lists[2];
    gbOpenVaultList(mpoGetMachineKey(), u"Databases", lists[0]);
    gbOpenVaultList(mpoGetUserKey(), u"Vaults", lists[1]);
    for (Registry& list : lists) {
        if (!list.Key()) continue;
        DWORD count = 0;
        if (RegQueryInfoKeyW(list.Key(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            count = 0;
        for (DWORD index = 0; index < count; ++index) {
            WCHAR name[256] = {};  // a key name has at most 255 characters
            DWORD length = 256;
            if (RegEnumKeyExW(list.Key(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            // A vault registered for the machine and the user is one vault.
            if (mbIsUsableVault(list.Key(), name) && !gbContainsIgnoreCase(names, name)) names.emplace_back(name);
        }
    }
    return names;
}

bool SettingsLight::mbGetVaultNames(Lst<CString>& names) {
    for (const std::u16string& name : moListVaults()) names.AddHead(CString(name.c_str()));
    return true;
}

bool SettingsLight::mbGetVaultNameFromID(REFGUID vault, std::u16string& name) {
    for (const std::u16string& candidate : moListVaults()) {
        std::u16string root = goGetViewRoot(candidate.c_str());
        GUID id{};
        if (GetDesktopIniGuid(root.c_str(), kDesktopIniVaultId, id) && id == vault) {
            name = candidate;
            return true;
        }
    }
    return false;
}

bool SettingsLight::mbGetVaultConnectionSettings(LPCWSTR name, VaultConnectionSettings& settings) {
    Registry key;
    if (!mbOpenVaultKey(name, key)) return false;
    VaultConnectionSettings read;
    DWORD port = 0;
    if (!key.mbGetString(u"DbName", read.DbName) || !key.mbGetString(u"DbServer", read.DbServer) ||
        !key.mbGetString(u"ShellRoot", read.ShellRoot) || !key.mbGetString(u"ServerLoc", read.ServerLoc) ||
        !key.mbGetDWORD(u"ServerPort", port))
        return false;
    DWORD type = 0;
    if (!key.mbGetDWORD(u"VaultType", type)) type = 0;
    read.ServerPort = static_cast<int32_t>(port);
    read.VaultType = static_cast<int32_t>(type);
    read.ShellRoot = goWithBackslash(read.ShellRoot);
    settings = read;
    return true;
}
