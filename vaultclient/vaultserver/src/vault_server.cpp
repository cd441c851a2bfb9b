#include "vault_server.h"

#include "common/error_codes.h"
#include "common/settings_light.h"
#include "vaultdb/database.h"
#include "vaultdb/user_password.h"
#include "winapi/path_mapping.h"

#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <string>

namespace {

// The vault's database, where the stored-procedure layer opens it. The
// name is a file name in the server folder, never a path of its own.
HRESULT OpenVault(const VaultConnectionSettings& connection, std::unique_ptr<vaultdb::Database>& database) {
    const auto file = vaultdb::VaultDatabaseFile(winapi::ToPosixPath(connection.DbServer), connection.DbName);
    if (file.empty()) return E_OXN_CANT_OPEN_DATABASE;
    if (FAILED(vaultdb::OpenVaultDatabase(file, vaultdb::OpenMode::OpenExisting, database)))
        return E_OXN_CANT_OPEN_DATABASE;
    return S_OK;
}

// S_OK when `userName` is a user of the vault (not deleted) whose password
// is `password`.
HRESULT CheckLogin(vaultdb::Database& database, const std::u16string& userName, const std::u16string& password) {
    bool accepted = false;
    if (FAILED(vaultdb::CheckUserPassword(database, userName, password, accepted))) return E_OXN_CANT_OPEN_DATABASE;
    return accepted ? S_OK : E_OXN_LOGIN_FAILED;
}

// A token no other login of this process is likely to share; never 0.
LONG NewToken() {
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<LONG> distribution(1, 0x7FFFFFFF);
    return distribution(generator);
}

}  // namespace

HRESULT CVaultServer::UnusedSlot3() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot4() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot5() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot7() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot8() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot9() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot10() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot11() { return E_NOTIMPL; }
HRESULT CVaultServer::UnusedSlot12() { return E_NOTIMPL; }

HRESULT CVaultServer::GetDatabaseCredentials(BSTR, USHORT, BSTR vaultName, BSTR userName, BSTR password, BSTR* dbUser,
                                             BSTR* dbPassword) {
    if (!dbUser || !dbPassword) return E_POINTER;
    *dbUser = nullptr;
    *dbPassword = nullptr;
    mlToken = 0;
    try {
        SettingsLight settings;
        VaultConnectionSettings connection;
        const std::u16string name = com::BstrText(vaultName);
        if (name.empty() || !settings.mbGetVaultConnectionSettings(name.c_str(), connection))
            return E_OXN_MISSING_VIEW_INFO;

        std::unique_ptr<vaultdb::Database> database;
        if (HRESULT hr = OpenVault(connection, database); FAILED(hr)) return hr;
        if (HRESULT hr = CheckLogin(*database, com::BstrText(userName), com::BstrText(password)); FAILED(hr)) return hr;

        std::u16string user, userPassword;
        Registry key;
        if (settings.mbOpenVaultKey(name.c_str(), key)) {
            key.mbGetString(u"DbUser", user);
            key.mbGetString(u"DbPassword", userPassword);
        }
        BSTR userText = SysAllocStringLen(user.data(), static_cast<UINT>(user.size()));
        BSTR passwordText = SysAllocStringLen(userPassword.data(), static_cast<UINT>(userPassword.size()));
        if (!userText || !passwordText) {
            SysFreeString(userText);
            SysFreeString(passwordText);
            return E_OUTOFMEMORY;
        }
        *dbUser = userText;
        *dbPassword = passwordText;
        mlToken = NewToken();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CVaultServer::Verify(LONG* verification) {
    if (!verification) return E_POINTER;
    *verification = mlToken;
    return mlToken != 0 ? S_OK : E_OXN_NOT_LOGGED_IN;
}
