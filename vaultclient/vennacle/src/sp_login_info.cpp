#include "vennacle/sp_login_info.h"

#include "sp_queries.h"
#include "vennacle/sp_query.h"
#include "common/error_codes.h"
#include "vaultdb/transaction.h"
#include "vennacle/vault_rows.h"
#include "winapi/environment.h"
#include "winapi/text.h"

using namespace vennacle;

namespace {

std::u16string ThisComputerName() {
    WCHAR name[256] = {};
    DWORD size = 256;
    return GetComputerNameW(name, &size) ? std::u16string(name, size) : std::u16string();
}

}  // namespace

HRESULT SpLoginInfo::mhLoginUser(const WCHAR* userName, const WCHAR* dbName, const WCHAR* dbName2, LONG,
                                 SpVaultInfo* vaultInfo, ProgramType program, LONG* userId, LONG* loginValue,
                                 Lst<unsigned int>* rights, LONG*, bool, SpSystemInfo*) {
    if (!vaultInfo || !userId || !loginValue) return E_POINTER;
    // Values no caller can take for a login: the version check fails on 0.
    *vaultInfo = SpVaultInfo{};
    *userId = -1;
    *loginValue = -1;
    if (!userName || !dbName || !dbName2) return E_INVALIDARG;
    if (!winapi::EqualsIgnoreCase(dbName, moDbName) || !winapi::EqualsIgnoreCase(dbName2, moDbName))
        return E_OXN_CANT_OPEN_DATABASE;

    VaultRow vault;
    LONG id = 0;
    LONG session = 0;
    Lst<unsigned int> userRights;
    const HRESULT hr = SpBoundary([&] {
        vaultdb::Transaction transaction(moDatabase);
        if (HRESULT begun = transaction.Begin(); FAILED(begun)) SpRaise(begun);
        id = FindUserId(moDatabase, userName);
        if (id == 0) SpRaise(E_OXN_LOGIN_FAILED);
        vault = ReadVaultRow(moDatabase);
        AppendSystemRights(moDatabase, id, userRights);
        SpQuery insert(
            moDatabase,
            "INSERT INTO sessions (user_id, computer, program_type, login_utc) VALUES (?, ?, ?, ?) RETURNING id");
        insert.Bind(id).Bind(ThisComputerName()).Bind(static_cast<int32_t>(program)).Bind(NowUtc());
        if (!insert.Next()) SpRaise(E_OXN_DATABASE_ACCESS);
        session = insert.Int(0);
        insert.Reset();  // the statement must be done before the commit
        if (HRESULT committed = transaction.Commit(); FAILED(committed)) SpRaise(committed);
    });
    if (FAILED(hr)) return hr;

    vaultInfo->mlVersion = vault.mlVersion;
    vaultInfo->mlDateFmt = vault.mlDateFmt;
    vaultInfo->moVaultGUID = vault.moGuid;
    *userId = id;
    *loginValue = session;
    if (rights)
        for (POSITION at = userRights.GetHeadPosition(); at;) rights->AddTail(userRights.GetNext(at));
    return S_OK;
}

HRESULT SpLoginInfo::mhDoRefreshCacheOnLogin(LONG userId, BOOL& refresh) {
    refresh = FALSE;
    return SpBoundary([&] {
        SpQuery query(moDatabase, "SELECT refresh_cache_on_login FROM users WHERE id = ? AND deleted = 0");
        query.Bind(userId);
        if (!query.Next()) SpRaise(E_OXN_INVALID_ID);
        refresh = query.Int(0) != 0 ? TRUE : FALSE;
    });
}
