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
    // Appends the system rights of the user `userId` to `rights`, smallest
    // first, as the vault holds them now (none for an unknown user). A
    // failure of the database is returned, `rights` then untouched.
    HRESULT mhGetSystemRights(LONG userId, Lst<unsigned int>& rights);
    // The system rights of `rights` as the one bit set a login hands out:
    // the rights whose lowest bit is clear, OR-ed (rights with it set are of
    // another kind and do not count).
    static LONG mlSystemRightsBits(const Lst<unsigned int>& rights);
    // S_OK when `userName` (any case) is a user of the vault, not deleted,
    // whose password is `password`; E_OXN_LOGIN_FAILED otherwise (unknown
    // user and wrong password alike), E_OXN_CANT_OPEN_DATABASE when the
    // vault cannot be read, E_INVALIDARG for a null name. One PBKDF2 run:
    // for logins only.
    HRESULT mhCheckPassword(const WCHAR* userName, const WCHAR* password);

private:
    vaultdb::Database& moDatabase;  // Not owned: the connection's.
};
