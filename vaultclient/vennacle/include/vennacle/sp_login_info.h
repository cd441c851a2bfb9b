// SpLoginInfo: the login of a user into the vault (procedure 30 of SpMgr).
#pragma once

#include "common/lst.h"
#include "vennacle/sp_records.h"
#include "winapi/types.h"

#include <string>

namespace vaultdb {
class Database;
}
struct SpSystemInfo;

class SpLoginInfo {
public:
    SpLoginInfo(vaultdb::Database& database, std::u16string dbName)
        : moDatabase(database), moDbName(std::move(dbName)) {}

    // Logs the user in (the password was checked by the vault server before):
    // fills the vault information, the user id, the login value - the number
    // of a new login session row - and appends the user's system rights.
    // The two database names must name this connection's database (without
    // regard to case). `systemInfo` and the other reserved arguments are not
    // used. On any failure the vault version is 0, the ids are -1 and the
    // rights list is left as it was, so a caller that ignores the result
    // still cannot take the login for a success.
    // E_POINTER for a null vault info, user id or login value;
    // E_OXN_LOGIN_FAILED for an unknown user; E_OXN_CANT_OPEN_DATABASE for
    // another database.
    HRESULT mhLoginUser(const WCHAR* userName, const WCHAR* dbName, const WCHAR* dbName2, LONG reserved,
                        SpVaultInfo* vaultInfo, ProgramType program, LONG* userId, LONG* loginValue,
                        Lst<unsigned int>* rights, LONG* reserved2, bool reserved3, SpSystemInfo* systemInfo);

    // Whether the user's local item cache is to be refreshed at login (the
    // user's setting in the vault). E_OXN_INVALID_ID for an unknown user id,
    // with `refresh` FALSE.
    HRESULT mhDoRefreshCacheOnLogin(LONG userId, BOOL& refresh);

private:
    vaultdb::Database& moDatabase;  // Not owned: the connection's.
    std::u16string moDbName;
};
