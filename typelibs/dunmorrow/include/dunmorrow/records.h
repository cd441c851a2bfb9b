// Records of DunmorrowLib: plain structs laid out as the library declares
// them, each naming the GUID under which its record information is found
// (GetRecordInfoFromGuids with the library's LIBID, version 1.0). BSTR
// fields belong to the record.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

namespace DunmorrowLib {

// A login request (ILogin::Login).
struct LoginInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("11BC237E-BBC8-4EF8-8772-00AE81CDDC49");
    BSTR moVaultName;  // the vault's settings key and the login table's key
    BSTR moUsername;   // the four credentials: direct login only
    BSTR moPassword;
    BSTR moSqlUsername;
    BSTR moSqlPassword;
    ULONG mlUserID;  // not read by Login
    VARIANT_BOOL mbDirectLogin;
    ULONGLONG mlParentWnd;  // window handle; the low 32 bits are used
};
static_assert(sizeof(LoginInfo) == 56);

// The result of a login (ILogin::Login).
struct LoginResult {
    static constexpr GUID kRecordGuid = com::MakeGuid("5AE97135-2A3C-407B-8362-E460D575F6D3");
    // The stored-procedure manager (SpMgr) of the new connection as an
    // in-process address; the caller receives one reference.
    ULONGLONG mpoSpMgr;
    LONG mlUserID;
    LONG mlSystemRights;
    BSTR moUsername;
    BSTR moUserPwd;
    LONG musPort;  // the vault's ServerPort setting
    LONG mlArchiveServerID;
    LONG mlDateFmt;
    BSTR mbsAServer;  // the vault's ServerLoc setting
    LONG mlRootItemFolderID;
    GUID moVaultGUID;
};
static_assert(sizeof(LoginResult) == 80);

}  // namespace DunmorrowLib
