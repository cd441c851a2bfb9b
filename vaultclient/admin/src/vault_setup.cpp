#include "vault_setup.h"

#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_creation.h"
#include "system_error_text.h"
#include "user_rows.h"
#include "vault_folders.h"
#include "vault_sql.h"

#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/environment.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"

namespace vaultadmin {

namespace {

std::u16string ComputerName() {
    WCHAR name[256] = {};
    DWORD size = 256;
    return GetComputerNameW(name, &size) ? std::u16string(name, size) : std::u16string();
}

}  // namespace

void WriteNewVaultContents(vaultdb::Database& database, const VaultSetup& setup) {
    vaultdb::Transaction transaction(database);
    if (HRESULT hr = transaction.Begin(); FAILED(hr))
        throw AdminError("cannot begin a transaction: " + HresultText(hr));
    VaultSql sql(database);
    const int32_t admin = InsertUser(sql, kAdminUserName, setup.adminPassword, {kCheckInRight, kAdministrationRight});
    const int32_t items = EnsureVaultFolder(sql, kItemsFolderPath, admin);
    sql.Run(
        "INSERT INTO vault (id, vault_guid, name, vault_type, database_version, root_item_folder_id) "
        "VALUES (1, ?, ?, 0, ?, ?)",
        {winapi::GuidToString(setup.vaultId), setup.name, int64_t(vaultdb::kVaultDatabaseVersion), int64_t(items)});
    sql.Run("INSERT INTO views (view_guid, root_path, computer, user_id) VALUES (?, ?, ?, ?)",
            {winapi::GuidToString(setup.viewId), setup.viewRoot, ComputerName(), int64_t(admin)});
    if (HRESULT hr = transaction.Commit(); FAILED(hr))
        throw AdminError("cannot commit the new vault: " + HresultText(hr));
}

}  // namespace vaultadmin
