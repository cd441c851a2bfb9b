#include "vaultadmin/vault_registration.h"

#include "vaultadmin/admin_error.h"
#include "system_error_text.h"

#include "common/settings_light.h"
#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/text.h"

namespace vaultadmin {

namespace {

HKEY RootOf(RegistryScope scope) { return scope == RegistryScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::string Narrow(const std::u16string& text) { return winapi::ToUtf8(text); }

LSTATUS SetString(HKEY key, const char16_t* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

LSTATUS SetDword(HKEY key, const char16_t* name, DWORD value) {
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return RegSetValueExW(key, name, 0, REG_DWORD, bytes, sizeof(bytes));
}

LSTATUS WriteValues(HKEY key, const VaultRegistration& vault) {
    LSTATUS status = SetString(key, u"ShellRoot", vault.shellRoot);
    if (status == ERROR_SUCCESS) status = SetString(key, u"DbName", vault.dbName);
    if (status == ERROR_SUCCESS) status = SetString(key, u"DbServer", vault.dbServer);
    if (status == ERROR_SUCCESS) status = SetString(key, u"ServerLoc", vault.serverLoc);
    if (status == ERROR_SUCCESS) status = SetDword(key, u"ServerPort", vault.serverPort);
    if (status == ERROR_SUCCESS) status = SetDword(key, u"VaultType", vault.vaultType);
    return status;
}

}  // namespace

std::u16string VaultListPath(RegistryScope scope) {
    return std::u16string(kProductKeyPath) + (scope == RegistryScope::Machine ? u"\\Databases" : u"\\Vaults");
}

bool IsVaultRegistered(RegistryScope scope, const std::u16string& name) {
    HKEY key = nullptr;
    const std::u16string path = VaultListPath(scope) + u"\\" + name;
    if (RegOpenKeyExW(RootOf(scope), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool IsVaultRegistrationComplete(RegistryScope scope, const std::u16string& name) {
    HKEY key = nullptr;
    const std::u16string path = VaultListPath(scope) + u"\\" + name;
    if (RegOpenKeyExW(RootOf(scope), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool complete = true;
    for (const char16_t* value : {u"ShellRoot", u"DbName", u"DbServer", u"ServerLoc", u"ServerPort", u"VaultType"})
        complete = complete && RegQueryValueExW(key, value, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return complete;
}

void RegisterVault(RegistryScope scope, const VaultRegistration& vault) {
    const std::u16string path = VaultListPath(scope) + u"\\" + vault.name;
    HKEY key = nullptr;
    DWORD disposition = 0;
    LSTATUS status =
        RegCreateKeyExW(RootOf(scope), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS)
        throw AdminError("cannot register the vault \"" + Narrow(vault.name) + "\": " + SystemErrorText(status));
    if (disposition != REG_CREATED_NEW_KEY) {
        RegCloseKey(key);
        throw AdminError("a vault named \"" + Narrow(vault.name) + "\" is registered already");
    }
    status = WriteValues(key, vault);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        UnregisterVault(scope, vault.name);
        throw AdminError("cannot write the registry values of \"" + Narrow(vault.name) +
                         "\": " + SystemErrorText(status));
    }
}

void UnregisterVault(RegistryScope scope, const std::u16string& name) {
    const std::u16string path = VaultListPath(scope) + u"\\" + name;
    LSTATUS status = RegDeleteTreeW(RootOf(scope), path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) status = RegDeleteKeyW(RootOf(scope), path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw AdminError("cannot remove the registry entry of \"" + Narrow(name) + "\": " + SystemErrorText(status));
}

}  // namespace vaultadmin
