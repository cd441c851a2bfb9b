#include "dunmorrow/type_library.h"

#include "com/record_info.h"
#include "dunmorrow/ids.h"
#include "dunmorrow/interfaces.h"
#include "dunmorrow/records.h"

#include <cstddef>

namespace DunmorrowLib {
namespace {

const com::TypeLibraryInterface kInterfaces[] = {
    {&ILogin::kIid, u"ILogin", true},
};

// One description of this library's version 1.0.
com::RecordDescription Describe(const GUID& record, const char16_t* name, ULONG size,
                                std::vector<com::RecordField> fields) {
    return {LIBID_DunmorrowLib, kLibraryMajorVersion, kLibraryMinorVersion, record, name, size, std::move(fields)};
}

}  // namespace

void RegisterRecords() {
    com::RegisterRecordDescription(Describe(LoginInfo::kRecordGuid, u"LoginInfo", sizeof(LoginInfo),
                                            {
                                                {u"moVaultName", offsetof(LoginInfo, moVaultName), VT_BSTR},
                                                {u"moUsername", offsetof(LoginInfo, moUsername), VT_BSTR},
                                                {u"moPassword", offsetof(LoginInfo, moPassword), VT_BSTR},
                                                {u"moSqlUsername", offsetof(LoginInfo, moSqlUsername), VT_BSTR},
                                                {u"moSqlPassword", offsetof(LoginInfo, moSqlPassword), VT_BSTR},
                                                {u"mlUserID", offsetof(LoginInfo, mlUserID), VT_UI4},
                                                {u"mbDirectLogin", offsetof(LoginInfo, mbDirectLogin), VT_BOOL},
                                                {u"mlParentWnd", offsetof(LoginInfo, mlParentWnd), VT_UI8},
                                            }));
    // The vault GUID is described as its 16 bytes: the library has no GUID
    // record of its own, and the bytes copy and clear exactly as a GUID does.
    com::RegisterRecordDescription(
        Describe(LoginResult::kRecordGuid, u"LoginResult", sizeof(LoginResult),
                 {
                     {u"mpoSpMgr", offsetof(LoginResult, mpoSpMgr), VT_UI8},
                     {u"mlUserID", offsetof(LoginResult, mlUserID), VT_I4},
                     {u"mlSystemRights", offsetof(LoginResult, mlSystemRights), VT_I4},
                     {u"moUsername", offsetof(LoginResult, moUsername), VT_BSTR},
                     {u"moUserPwd", offsetof(LoginResult, moUserPwd), VT_BSTR},
                     {u"musPort", offsetof(LoginResult, musPort), VT_I4},
                     {u"mlArchiveServerID", offsetof(LoginResult, mlArchiveServerID), VT_I4},
                     {u"mlDateFmt", offsetof(LoginResult, mlDateFmt), VT_I4},
                     {u"mbsAServer", offsetof(LoginResult, mbsAServer), VT_BSTR},
                     {u"mlRootItemFolderID", offsetof(LoginResult, mlRootItemFolderID), VT_I4},
                     {u"moVaultGUID", offsetof(LoginResult, moVaultGUID), VT_UI1, sizeof(GUID)},
                 }));
}

constinit const com::TypeLibrary kTypeLibrary{&LIBID_DunmorrowLib,           kLibraryMajorVersion, kLibraryMinorVersion,
                                              u"Dunmorrow 1.0 Type Library", kInterfaces,          &RegisterRecords};

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace DunmorrowLib
