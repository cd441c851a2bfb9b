// The 120-byte record the client library's login (service slot 3) takes and
// its connection information (service slot 8) fills: one layout for both,
// little-endian, natural alignment, 64-bit pointers.
//
// Login: every BSTR stays owned by the caller; the library copies what it
// keeps. Connection information: the caller hands in a zeroed record and
// frees every non-null BSTR it gets back.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "winapi/types.h"

#include <cstddef>

class SpMgr;

namespace TavroskClientLib {

struct LoginRecord {
    SpMgr* mpoSpMgr;  // the login's open vault connection (the caller's reference)
    GUID moVaultGUID;
    GUID moViewGUID;
    BSTR moViewPath;
    BSTR moComputerName;
    BSTR moDomainName;
    BSTR moUsername;
    BSTR moUserPwd;
    BSTR moVaultName;
    BSTR mbsAServer;  // the archive server's name
    LONG musPort;
    LONG mlUserID;
    LONG mlArchiveServerID;
    LONG mlDateFmt;
    LONG mlSystemRights;  // bit set of the user's system rights
    LONG mlReserved;      // 0
};
static_assert(sizeof(LoginRecord) == 120);
static_assert(offsetof(LoginRecord, mpoSpMgr) == 0);
static_assert(offsetof(LoginRecord, moVaultGUID) == 8);
static_assert(offsetof(LoginRecord, moViewGUID) == 24);
static_assert(offsetof(LoginRecord, moViewPath) == 40);
static_assert(offsetof(LoginRecord, moComputerName) == 48);
static_assert(offsetof(LoginRecord, moDomainName) == 56);
static_assert(offsetof(LoginRecord, moUsername) == 64);
static_assert(offsetof(LoginRecord, moUserPwd) == 72);
static_assert(offsetof(LoginRecord, moVaultName) == 80);
static_assert(offsetof(LoginRecord, mbsAServer) == 88);
static_assert(offsetof(LoginRecord, musPort) == 96);
static_assert(offsetof(LoginRecord, mlUserID) == 100);
static_assert(offsetof(LoginRecord, mlArchiveServerID) == 104);
static_assert(offsetof(LoginRecord, mlDateFmt) == 108);
static_assert(offsetof(LoginRecord, mlSystemRights) == 112);
static_assert(offsetof(LoginRecord, mlReserved) == 116);

}  // namespace TavroskClientLib
