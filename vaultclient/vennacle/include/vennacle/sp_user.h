// SpUser: who a user of the vault is.
#pragma once

#include "common/lst.h"
#include "winapi/types.h"

namespace vaultdb {
class Database;
}

class SpUser {
public:
    explicit SpUser(vaultdb::Database& database) : moDatabase(database) {}

    // The user's id and system rights (appended to `rights`), the vault's
    // GUID, the id of the root item folder "\<items>\" (0 when the vault has
    // none yet) and the vault's date format. E_OXN_LOGIN_FAILED for an unknown
    // user (names compare without regard to case); the outs are then untouched.
    HRESULT mhGetGetDunmorrowInfo(const WCHAR* userName, LONG& userId, Lst<unsigned int>& rights, GUID& vaultGuid,
                                  LONG& rootItemFolderId, LONG& dateFmt);

private:
    vaultdb::Database& moDatabase;  // Not owned: the connection's.
};
