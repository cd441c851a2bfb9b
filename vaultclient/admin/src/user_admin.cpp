#include "vaultadmin/user_admin.h"

#include "vaultadmin/admin_error.h"
#include "system_error_text.h"
#include "user_rows.h"
#include "vault_sql.h"

#include "vaultdb/password_hash.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <cerrno>
#include <cstdlib>

namespace vaultadmin {

int32_t InsertUser(VaultSql& sql, const std::u16string& name, const std::u16string& password,
                   const std::vector<DWORD>& systemRights) {
    if (name.empty()) throw AdminError("a user needs a name");
    if (sql.QueryInt("SELECT id FROM users WHERE name_key = ?", {vaultdb::FoldKey(name)}))
        throw AdminError("the vault has a user \"" + winapi::ToUtf8(name) + "\" already");
    const std::string hash = vaultdb::HashPassword(password);
    const int32_t id = sql.Insert("INSERT INTO users (name, name_key, password_hash) VALUES (?, ?, ?) RETURNING id",
                                  {name, vaultdb::FoldKey(name), winapi::ToUtf16(hash)});
    for (DWORD right : systemRights)
        sql.Run("INSERT INTO user_system_rights (user_id, right_value) VALUES (?, ?) ON CONFLICT DO NOTHING",
                {int64_t(id), int64_t(right)});
    return id;
}

int32_t AddUser(vaultdb::Database& database, const std::u16string& name, const std::u16string& password,
                const std::vector<DWORD>& systemRights) {
    vaultdb::Transaction transaction(database);
    if (HRESULT hr = transaction.Begin(); FAILED(hr))
        throw AdminError("cannot begin a transaction: " + HresultText(hr));
    VaultSql sql(database);
    const int32_t id = InsertUser(sql, name, password, systemRights);
    if (HRESULT hr = transaction.Commit(); FAILED(hr))
        throw AdminError("cannot commit the new user: " + HresultText(hr));
    return id;
}

std::vector<DWORD> ParseRights(const std::string& text) {
    std::vector<DWORD> rights;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        char* stop = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(part.c_str(), &stop, 0);
        if (part.empty() || part[0] == '-' || *stop != '\0' || errno == ERANGE || value > 0xFFFFFFFFull)
            throw AdminError("the rights \"" + text + "\" are not a list of numbers separated by commas");
        rights.push_back(static_cast<DWORD>(value));
        start = end + 1;
    }
    return rights;
}

int32_t UserId(vaultdb::Database& database, const std::u16string& name) {
    VaultSql sql(database);
    if (auto id = sql.QueryInt("SELECT id FROM users WHERE name_key = ? AND deleted = 0", {vaultdb::FoldKey(name)}))
        return *id;
    throw AdminError("the vault has no user \"" + winapi::ToUtf8(name) + "\"");
}

}  // namespace vaultadmin
