#include "sp_queries.h"

#include "vennacle/sp_query.h"
#include "common/error_codes.h"
#include "vaultdb/password_hash.h"
#include "vaultdb/schema.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

namespace vennacle {

VaultRow ReadVaultRow(vaultdb::Database& database) {
    // The root item folder is looked up by path as well, so a vault whose
    // "\<items>\" was made by another tool still answers with it.
    SpQuery query(database,
                  "SELECT database_version, date_format, vault_guid, COALESCE(root_item_folder_id,"
                  " (SELECT id FROM folders WHERE path_key = ?), 0) FROM vault WHERE id = 1");
    query.Bind(vaultdb::FoldKey(u"\\<items>\\"));
    if (!query.Next()) SpRaise(E_OXN_CANT_OPEN_DATABASE);  // not a set-up vault
    VaultRow row;
    row.mlVersion = query.Int(0);
    row.mlDateFmt = query.Int(1);
    if (!winapi::ParseGuid(query.Text(2), &row.moGuid)) SpRaise(E_OXN_DATABASE_ACCESS);
    row.mlRootItemFolderID = query.Int(3);
    return row;
}

HRESULT CheckDatabaseCredentials(vaultdb::Database& database, std::u16string_view user, std::u16string_view password) {
    HRESULT result = E_OXN_LOGIN_FAILED;
    const HRESULT hr = SpBoundary([&] {
        SpQuery query(database, "SELECT db_user, db_password_hash FROM vault WHERE id = 1");
        if (!query.Next()) SpRaise(E_OXN_CANT_OPEN_DATABASE);
        const std::u16string vaultUser = query.Text(0);
        if (vaultUser.empty() || (winapi::EqualsIgnoreCase(vaultUser, user) &&
                                  vaultdb::VerifyPassword(password, winapi::ToUtf8(query.Text(1)))))
            result = S_OK;
    });
    return FAILED(hr) ? hr : result;
}

LONG FindUserId(vaultdb::Database& database, std::u16string_view userName) {
    SpQuery query(database, "SELECT id FROM users WHERE name_key = ? AND deleted = 0");
    query.Bind(vaultdb::FoldKey(userName));
    return query.Next() ? query.Int(0) : 0;
}

bool FindUserName(vaultdb::Database& database, LONG userId, std::u16string& name) {
    SpQuery query(database, "SELECT name FROM users WHERE id = ? AND deleted = 0");
    query.Bind(userId);
    if (!query.Next()) return false;
    name = query.Text(0);
    return true;
}

void AppendSystemRights(vaultdb::Database& database, LONG userId, Lst<unsigned int>& rights) {
    SpQuery query(database, "SELECT right_value FROM user_system_rights WHERE user_id = ? ORDER BY right_value");
    query.Bind(userId);
    while (query.Next()) rights.AddTail(static_cast<unsigned int>(query.Int64(0)));
}

}  // namespace vennacle
