#include "bellquist/type_library.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/operation_interfaces.h"
#include "bellquist/records.h"
#include "com/record_info.h"

#include <cstddef>
#include <initializer_list>

namespace BellquistLib {
namespace {

// A field of `Record` described by its own name and offset.
#define BELLQUIST_FIELD(Record, field, ...) \
    com::RecordField { u"" #field, static_cast<ULONG>(offsetof(Record, field)), __VA_ARGS__ }
// A GUID field, described as the nested record UdtGUID.
#define BELLQUIST_GUID_FIELD(Record, field) BELLQUIST_FIELD(Record, field, VT_RECORD, 1, UdtGUID::kRecordGuid)

template <class Record>
void Register(const char16_t* name, std::initializer_list<com::RecordField> fields) {
    com::RegisterRecordDescription({LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion,
                                    Record::kRecordGuid, name, static_cast<ULONG>(sizeof(Record)), fields});
}

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&IItmManager::kIid, u"IItmManager", true},
    {&IItmManager2::kIid, u"IItmManager2", true},
    {&IItmObject::kIid, u"IItmObject", true},
    {&IItmItem::kIid, u"IItmItem", true},
    {&IItmFolder::kIid, u"IItmFolder", true},
    {&IItmFile::kIid, u"IItmFile", true},
    {&IItmBOM::kIid, u"IItmBOM", true},
    {&IItmLinkManager::kIid, u"IItmLinkManager", true},
    {&ILocalTransactionMgr::kIid, u"ILocalTransactionMgr", false},
    {&ILocalTransaction::kIid, u"ILocalTransaction", false},
    {&IVaultUtils::kIid, u"IVaultUtils", false},
    {&IItmCallBack::kIid, u"IItmCallBack", false},
    {&IItmOperation::kIid, u"IItmOperation", false},
    {&IItmOperationPropertyResult::kIid, u"IItmOperationPropertyResult", true},
};

}  // namespace

void RegisterRecords() {
    // Nested records first: the runtime resolves them at registration.
    Register<UdtGUID>(u"UdtGUID", {BELLQUIST_FIELD(UdtGUID, Data1, VT_I4),
                                   BELLQUIST_FIELD(UdtGUID, Data2, VT_I2),
                                   BELLQUIST_FIELD(UdtGUID, Data3, VT_I2),
                                   BELLQUIST_FIELD(UdtGUID, Data4, VT_UI1, 8)});
    Register<MenuSysRightInfo>(u"MenuSysRightInfo", {BELLQUIST_FIELD(MenuSysRightInfo, muiRight, VT_UI4)});
    Register<XRefUpdatePath>(u"XRefUpdatePath", {BELLQUIST_FIELD(XRefUpdatePath, mbsOldPath, VT_BSTR),
                                                 BELLQUIST_FIELD(XRefUpdatePath, mbsNewPath, VT_BSTR)});

    using D = ItmObjectData;
    Register<D>(u"ItmObjectData", {BELLQUIST_FIELD(D, mlParentObjectID, VT_I4),
                                   BELLQUIST_FIELD(D, meParentDocType, VT_I4),
                                   BELLQUIST_FIELD(D, meObjectType, VT_I4),
                                   BELLQUIST_FIELD(D, meLinkType, VT_I4),
                                   BELLQUIST_FIELD(D, meLinkOperation, VT_I4),
                                   BELLQUIST_FIELD(D, mlObjectID, VT_I4),
                                   BELLQUIST_FIELD(D, mlParentProjectID, VT_I4),
                                   BELLQUIST_FIELD(D, moFilename, VT_BSTR),
                                   BELLQUIST_FIELD(D, moPath, VT_BSTR),
                                   BELLQUIST_FIELD(D, mlAttachedVersion, VT_I4),
                                   BELLQUIST_FIELD(D, mlLocalVersion, VT_I4),
                                   BELLQUIST_FIELD(D, mlLatestVersion, VT_I4),
                                   BELLQUIST_FIELD(D, mlConfigID, VT_I4),
                                   BELLQUIST_FIELD(D, moConfigName, VT_BSTR),
                                   BELLQUIST_FIELD(D, mlLockedBy, VT_I4),
                                   BELLQUIST_FIELD(D, moLockedBy, VT_BSTR),
                                   BELLQUIST_FIELD(D, moLockedPath, VT_BSTR),
                                   BELLQUIST_FIELD(D, mlStatusID, VT_I4),
                                   BELLQUIST_FIELD(D, moState, VT_BSTR),
                                   BELLQUIST_FIELD(D, moModified, VT_DATE),
                                   BELLQUIST_FIELD(D, moDomain, VT_BSTR),
                                   BELLQUIST_GUID_FIELD(D, moLockViewID),
                                   BELLQUIST_FIELD(D, mbHasChildren, VT_BOOL),
                                   BELLQUIST_FIELD(D, mpoConnection, VT_UNKNOWN),
                                   BELLQUIST_FIELD(D, mlResult, VT_I4),
                                   BELLQUIST_FIELD(D, moAlternateName, VT_BSTR),
                                   BELLQUIST_FIELD(D, mbIsUpToDate, VT_I4),
                                   BELLQUIST_FIELD(D, mlItmObjectFlags, VT_I4),
                                   BELLQUIST_FIELD(D, mbsLinkedFile, VT_BSTR),
                                   BELLQUIST_FIELD(D, mlDynLinkedFileVersion, VT_I4),
                                   BELLQUIST_FIELD(D, mbIsDirty, VT_BOOL),
                                   BELLQUIST_FIELD(D, mbIsCutlist, VT_BOOL)});
    Register<LoadItmObjectData>(u"LoadItmObjectData",
                                {BELLQUIST_FIELD(LoadItmObjectData, moIncludePath, VT_BSTR),
                                 BELLQUIST_FIELD(LoadItmObjectData, mpoConnection, VT_UNKNOWN)});
    Register<ItmUniqueID>(u"ItmUniqueID", {BELLQUIST_FIELD(ItmUniqueID, meObjectType, VT_I4),
                                           BELLQUIST_FIELD(ItmUniqueID, mlObjectID, VT_I4),
                                           BELLQUIST_FIELD(ItmUniqueID, mlParentID, VT_I4),
                                           BELLQUIST_FIELD(ItmUniqueID, mlConfigID, VT_I4)});
    Register<ItmLink>(u"ItmLink", {BELLQUIST_FIELD(ItmLink, meObjectType, VT_I4),
                                   BELLQUIST_FIELD(ItmLink, mlObjectID, VT_I4),
                                   BELLQUIST_FIELD(ItmLink, mlParentID, VT_I4),
                                   BELLQUIST_FIELD(ItmLink, mlConfigID, VT_I4),
                                   BELLQUIST_FIELD(ItmLink, meLinkType, VT_I4),
                                   BELLQUIST_FIELD(ItmLink, meLinkOperation, VT_I4)});
    Register<ItmLinkData>(u"ItmLinkData", {BELLQUIST_FIELD(ItmLinkData, meLinkType, VT_I4),
                                           BELLQUIST_FIELD(ItmLinkData, meLinkOperation, VT_I4)});
    Register<InitData>(u"InitData", {BELLQUIST_FIELD(InitData, meClientType, VT_I4),
                                     BELLQUIST_FIELD(InitData, hParentWndHandle, VT_UI8),
                                     BELLQUIST_FIELD(InitData, moDomainName, VT_BSTR),
                                     BELLQUIST_FIELD(InitData, moComputerName, VT_BSTR),
                                     BELLQUIST_FIELD(InitData, moViewPath, VT_BSTR),
                                     BELLQUIST_GUID_FIELD(InitData, moViewGUID),
                                     BELLQUIST_GUID_FIELD(InitData, moVaultGUID),
                                     BELLQUIST_FIELD(InitData, mllOxnVault, VT_UI8),
                                     BELLQUIST_FIELD(InitData, mlViewServerID, VT_I4)});
    Register<LoginDataOut>(u"LoginDataOut", {BELLQUIST_FIELD(LoginDataOut, mlUserID, VT_I4),
                                             BELLQUIST_FIELD(LoginDataOut, moUsername, VT_BSTR),
                                             BELLQUIST_GUID_FIELD(LoginDataOut, moVaultGUID),
                                             BELLQUIST_FIELD(LoginDataOut, mpoSpMgr, VT_UI8),
                                             BELLQUIST_FIELD(LoginDataOut, mlRootItemFolderID, VT_I4)});
    Register<ItmVaultInfo>(u"ItmVaultInfo",
                           {BELLQUIST_FIELD(ItmVaultInfo, mpoConnectionPtr, VT_UNKNOWN),
                            BELLQUIST_FIELD(ItmVaultInfo, mlUserID, VT_I4),
                            BELLQUIST_FIELD(ItmVaultInfo, moViewPath, VT_BSTR),
                            BELLQUIST_GUID_FIELD(ItmVaultInfo, moViewGUID),
                            BELLQUIST_GUID_FIELD(ItmVaultInfo, moVaultGUID),
                            BELLQUIST_FIELD(ItmVaultInfo, mulParentWnd, VT_UI8),
                            BELLQUIST_FIELD(ItmVaultInfo, poUserSystemRights, VT_ARRAY | VT_RECORD, 1,
                                            MenuSysRightInfo::kRecordGuid)});
    Register<XRefRootObject>(u"XRefRootObject",
                             {BELLQUIST_FIELD(XRefRootObject, meType, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, mlDocumentID, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, moFileDate, VT_VARIANT),
                              BELLQUIST_FIELD(XRefRootObject, mlProjectID, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, mbsConfig, VT_BSTR),
                              BELLQUIST_FIELD(XRefRootObject, mbsItemName, VT_BSTR),
                              BELLQUIST_FIELD(XRefRootObject, mlDestFolderID, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, mbsPath, VT_BSTR),
                              BELLQUIST_FIELD(XRefRootObject, mbsRoot, VT_BSTR),
                              BELLQUIST_FIELD(XRefRootObject, mbsWebRoot, VT_BSTR),
                              BELLQUIST_FIELD(XRefRootObject, mlDocumentVersion, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, mlLocalVersion, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, mlLockedBy, VT_I4),
                              BELLQUIST_FIELD(XRefRootObject, mlVersionUID, VT_I8),
                              BELLQUIST_FIELD(XRefRootObject, mdwFileSize, VT_UI4),
                              BELLQUIST_FIELD(XRefRootObject, mpoPathToUpdate, VT_ARRAY | VT_RECORD, 1,
                                              XRefUpdatePath::kRecordGuid)});
    Register<DelOrDestroyed>(u"DelOrDestroyed", {BELLQUIST_FIELD(DelOrDestroyed, meType, VT_I4),
                                                 BELLQUIST_FIELD(DelOrDestroyed, mlId, VT_I4),
                                                 BELLQUIST_FIELD(DelOrDestroyed, mbDestroyed, VT_BOOL)});
    Register<ItemDataIn>(u"ItemDataIn", {BELLQUIST_FIELD(ItemDataIn, mlId, VT_I4),
                                         BELLQUIST_FIELD(ItemDataIn, mlVersion, VT_I4),
                                         BELLQUIST_FIELD(ItemDataIn, mbsName, VT_BSTR)});
    Register<CacheUpdate>(u"CacheUpdate", {BELLQUIST_FIELD(CacheUpdate, mbsName, VT_BSTR),
                                           BELLQUIST_FIELD(CacheUpdate, mlId, VT_I4),
                                           BELLQUIST_FIELD(CacheUpdate, mlFolderId, VT_I4),
                                           BELLQUIST_FIELD(CacheUpdate, mlVersion, VT_I4)});
    Register<UniqueDocument>(u"UniqueDocument", {BELLQUIST_FIELD(UniqueDocument, mlDocumentID, VT_I4),
                                                 BELLQUIST_FIELD(UniqueDocument, mlParentProjectID, VT_I4),
                                                 BELLQUIST_FIELD(UniqueDocument, mlVersion, VT_I4),
                                                 BELLQUIST_FIELD(UniqueDocument, mlObjectTypeID, VT_I4)});
    Register<ItmDbInfo>(u"ItmDbInfo", {BELLQUIST_FIELD(ItmDbInfo, meItemType, VT_I4),
                                       BELLQUIST_FIELD(ItmDbInfo, mlDocumentID, VT_I4),
                                       BELLQUIST_FIELD(ItmDbInfo, mlProjectID, VT_I4),
                                       BELLQUIST_FIELD(ItmDbInfo, moItemName, VT_BSTR),
                                       BELLQUIST_FIELD(ItmDbInfo, moItemPath, VT_BSTR)});
}

const com::TypeLibrary& TypeLibrary() {
    static const com::TypeLibrary library{&LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion,
                                          u"Bellquist 1.0 Type Library", kInterfaces, &RegisterRecords};
    return library;
}

}  // namespace BellquistLib
