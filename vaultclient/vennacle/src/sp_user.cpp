#include "vennacle/sp_user.h"

#include "sp_queries.h"
#include "vennacle/sp_query.h"
#include "common/error_codes.h"
#include "vaultdb/user_password.h"

using namespace vennacle;

HRESULT SpUser::mhGetGetDunmorrowInfo(const WCHAR* userName, LONG& userId, Lst<unsigned int>& rights, GUID& vaultGuid,
                                      LONG& rootItemFolderId, LONG& dateFmt) {
    if (!userName) return E_INVALIDARG;
    return SpBoundary([&] {
        const LONG id = FindUserId(moDatabase, userName);
        if (id == 0) SpRaise(E_OXN_LOGIN_FAILED);
        const VaultRow vault = ReadVaultRow(moDatabase);
        // Rights go to a list of their own first, so a failure adds nothing.
        Lst<unsigned int> userRights;
        AppendSystemRights(moDatabase, id, userRights);
        for (POSITION at = userRights.GetHeadPosition(); at;) rights.AddTail(userRights.GetNext(at));
        userId = id;
        vaultGuid = vault.moGuid;
        rootItemFolderId = vault.mlRootItemFolderID;
        dateFmt = vault.mlDateFmt;
    });
}

HRESULT SpUser::mhGetSystemRights(LONG userId, Lst<unsigned int>& rights) {
    return SpBoundary([&] {
        Lst<unsigned int> userRights;
        AppendSystemRights(moDatabase, userId, userRights);
        for (POSITION at = userRights.GetHeadPosition(); at;) rights.AddTail(userRights.GetNext(at));
    });
}

LONG SpUser::mlSystemRightsBits(const Lst<unsigned int>& rights) {
    unsigned int bits = 0;
    for (POSITION at = rights.GetHeadPosition(); at;) {
        const unsigned int right = rights.GetNext(at);
        if ((right & 1u) == 0) bits |= right;
    }
    return static_cast<LONG>(bits);
}

HRESULT SpUser::mhCheckPassword(const WCHAR* userName, const WCHAR* password) {
    if (!userName) return E_INVALIDARG;
    bool accepted = false;
    if (FAILED(vaultdb::CheckUserPassword(moDatabase, userName, password ? password : u"", accepted)))
        return E_OXN_CANT_OPEN_DATABASE;
    return accepted ? S_OK : E_OXN_LOGIN_FAILED;
}
