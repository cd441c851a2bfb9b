#include "orlumb/db.h"

#include "common/error_codes.h"
#include "common/registry.h"
#include "common/settings_light.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "vaultdb/user_password.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <utility>

namespace {

std::u16string TextOf(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

}  // namespace

Db::Db(LPCWSTR name, bool registered) : moName(TextOf(name)), mbRegistered(registered) {}

Db::~Db() = default;

ULONG Db::Release() noexcept {
    const ULONG left = mlRefs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

void Db::mvSetLogin(LPCWSTR userName) { moLogin = TextOf(userName); }

void Db::mvSetPassword(LPCWSTR password) { moPassword = TextOf(password); }

DWORD Db::mdwFail(HRESULT hr, std::string text, std::u16string* errorText) {
    if (errorText) *errorText = winapi::ToUtf16(text);
    return static_cast<DWORD>(hr);
}

DWORD Db::mdwOpen(LPCWSTR name, bool exclusive, bool checkLogin, bool create, bool upgrade, bool administer,
                  bool uncached, bool keepOpen, std::u16string* errorText, bool interactive) {
    // The password is needed for this open only.
    std::u16string password;
    password.swap(moPassword);
    if (errorText) errorText->clear();

    if (mpoDatabase) return mdwFail(E_UNEXPECTED, "the connection is open already", errorText);
    if (!mbRegistered || exclusive || create || upgrade || administer || uncached || keepOpen || interactive)
        return mdwFail(E_INVALIDARG, "this way of opening a vault is not offered", errorText);

    const std::u16string vault = name && *name ? std::u16string(name) : moName;
    Registry key;
    DbConnectionData connection;
    if (vault.empty() || !SettingsLight().mbOpenVaultKey(vault.c_str(), key) ||
        !key.mbGetString(u"DbServer", connection.moServer) || !key.mbGetString(u"DbName", connection.moDatabase))
        return mdwFail(E_OXN_MISSING_VIEW_INFO, "the vault \"" + winapi::ToUtf8(vault) + "\" is not registered",
                       errorText);

    // Where the stored-procedure layer finds the database: the name is a
    // file name in the server folder, never a path of its own.
    const auto file = vaultdb::VaultDatabaseFile(winapi::ToPosixPath(connection.moServer), connection.moDatabase);
    std::unique_ptr<vaultdb::Database> database;
    std::string failure;
    if (file.empty() || FAILED(vaultdb::OpenVaultDatabase(file, vaultdb::OpenMode::OpenExisting, database, &failure)))
        return mdwFail(E_OXN_CANT_OPEN_DATABASE,
                       "the database of \"" + winapi::ToUtf8(vault) + "\" does not open" +
                           (failure.empty() ? std::string() : ": " + failure),
                       errorText);

    if (checkLogin) {
        bool accepted = false;
        if (FAILED(vaultdb::CheckUserPassword(*database, moLogin, password, accepted)))
            return mdwFail(E_OXN_CANT_OPEN_DATABASE, database->LastErrorText(), errorText);
        if (!accepted) return mdwFail(E_OXN_LOGIN_FAILED, "the login was not accepted", errorText);
    }

    std::unique_ptr<vaultdb::Statement> query;
    if (FAILED(database->Prepare("SELECT vault_type FROM vault WHERE id = 1", query)) || query->Step() != S_OK)
        return mdwFail(E_OXN_CANT_OPEN_DATABASE, "the vault's facts cannot be read: " + database->LastErrorText(),
                       errorText);
    connection.mlVaultType = query->ColumnInt32(0);
    query.reset();  // before its database

    connection.moLogin = checkLogin ? moLogin : std::u16string();
    moConnection = std::move(connection);
    mpoDatabase = std::move(database);
    return 0;
}
