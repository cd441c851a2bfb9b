#include "bellquist/type_library.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/operation_interfaces.h"
#include "bellquist/records.h"
#include "record_registrar.h"

namespace BellquistLib {
namespace {

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
    const RecordRegistrar records{LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion};
    // Nested records first (UdtGUID among the shared ones): the runtime
    // resolves them at registration.
    RegisterSharedRecords(LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
    RegisterMenuRecords(LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
    records.Add<MenuSysRightInfo>(u"MenuSysRightInfo", {BELLQUIST_FIELD(MenuSysRightInfo, muiRight, VT_UI4)});
    records.Add<XRefUpdatePath>(u"XRefUpdatePath", {BELLQUIST_FIELD(XRefUpdatePath, mbsOldPath, VT_BSTR),
                                                    BELLQUIST_FIELD(XRefUpdatePath, mbsNewPath, VT_BSTR)});
    records.Add<LoadItmObjectData>(u"LoadItmObjectData",
                                   {BELLQUIST_FIELD(LoadItmObjectData, moIncludePath, VT_BSTR),
                                    BELLQUIST_FIELD(LoadItmObjectData, mpoConnection, VT_UNKNOWN)});
    records.Add<ItmUniqueID>(
        u"ItmUniqueID",
        {BELLQUIST_FIELD(ItmUniqueID, meObjectType, VT_I4), BELLQUIST_FIELD(ItmUniqueID, mlObjectID, VT_I4),
         BELLQUIST_FIELD(ItmUniqueID, mlParentID, VT_I4), BELLQUIST_FIELD(ItmUniqueID, mlConfigID, VT_I4)});
    records.Add<ItmLinkData>(u"ItmLinkData", {BELLQUIST_FIELD(ItmLinkData, meLinkType, VT_I4),
                                              BELLQUIST_FIELD(ItmLinkData, meLinkOperation, VT_I4)});
    records.Add<InitData>(
        u"InitData",
        {BELLQUIST_FIELD(InitData, meClientType, VT_I4), BELLQUIST_FIELD(InitData, hParentWndHandle, VT_UI8),
         BELLQUIST_FIELD(InitData, moDomainName, VT_BSTR), BELLQUIST_FIELD(InitData, moComputerName, VT_BSTR),
         BELLQUIST_FIELD(InitData, moViewPath, VT_BSTR), BELLQUIST_GUID_FIELD(InitData, moViewGUID),
         BELLQUIST_GUID_FIELD(InitData, moVaultGUID), BELLQUIST_FIELD(InitData, mllOxnVault, VT_UI8),
         BELLQUIST_FIELD(InitData, mlViewServerID, VT_I4)});
    records.Add<LoginDataOut>(
        u"LoginDataOut",
        {BELLQUIST_FIELD(LoginDataOut, mlUserID, VT_I4), BELLQUIST_FIELD(LoginDataOut, moUsername, VT_BSTR),
         BELLQUIST_GUID_FIELD(LoginDataOut, moVaultGUID), BELLQUIST_FIELD(LoginDataOut, mpoSpMgr, VT_UI8),
         BELLQUIST_FIELD(LoginDataOut, mlRootItemFolderID, VT_I4)});
    records.Add<ItmVaultInfo>(
        u"ItmVaultInfo",
        {BELLQUIST_FIELD(ItmVaultInfo, mpoConnectionPtr, VT_UNKNOWN), BELLQUIST_FIELD(ItmVaultInfo, mlUserID, VT_I4),
         BELLQUIST_FIELD(ItmVaultInfo, moViewPath, VT_BSTR), BELLQUIST_GUID_FIELD(ItmVaultInfo, moViewGUID),
         BELLQUIST_GUID_FIELD(ItmVaultInfo, moVaultGUID), BELLQUIST_FIELD(ItmVaultInfo, mulParentWnd, VT_UI8),
         BELLQUIST_FIELD(ItmVaultInfo, poUserSystemRights, VT_ARRAY | VT_RECORD, 1, MenuSysRightInfo::kRecordGuid)});
    records.Add<XRefRootObject>(
        u"XRefRootObject",
        {BELLQUIST_FIELD(XRefRootObject, meType, VT_I4), BELLQUIST_FIELD(XRefRootObject, mlDocumentID, VT_I4),
         BELLQUIST_FIELD(XRefRootObject, moFileDate, VT_VARIANT), BELLQUIST_FIELD(XRefRootObject, mlProjectID, VT_I4),
         BELLQUIST_FIELD(XRefRootObject, mbsConfig, VT_BSTR), BELLQUIST_FIELD(XRefRootObject, mbsItemName, VT_BSTR),
         BELLQUIST_FIELD(XRefRootObject, mlDestFolderID, VT_I4), BELLQUIST_FIELD(XRefRootObject, mbsPath, VT_BSTR),
         BELLQUIST_FIELD(XRefRootObject, mbsRoot, VT_BSTR), BELLQUIST_FIELD(XRefRootObject, mbsWebRoot, VT_BSTR),
         BELLQUIST_FIELD(XRefRootObject, mlDocumentVersion, VT_I4),
         BELLQUIST_FIELD(XRefRootObject, mlLocalVersion, VT_I4), BELLQUIST_FIELD(XRefRootObject, mlLockedBy, VT_I4),
         BELLQUIST_FIELD(XRefRootObject, mlVersionUID, VT_I8), BELLQUIST_FIELD(XRefRootObject, mdwFileSize, VT_UI4),
         BELLQUIST_FIELD(XRefRootObject, mpoPathToUpdate, VT_ARRAY | VT_RECORD, 1, XRefUpdatePath::kRecordGuid)});
    records.Add<DelOrDestroyed>(u"DelOrDestroyed", {BELLQUIST_FIELD(DelOrDestroyed, meType, VT_I4),
                                                    BELLQUIST_FIELD(DelOrDestroyed, mlId, VT_I4),
                                                    BELLQUIST_FIELD(DelOrDestroyed, mbDestroyed, VT_BOOL)});
    records.Add<ItemDataIn>(u"ItemDataIn",
                            {BELLQUIST_FIELD(ItemDataIn, mlId, VT_I4), BELLQUIST_FIELD(ItemDataIn, mlVersion, VT_I4),
                             BELLQUIST_FIELD(ItemDataIn, mbsName, VT_BSTR)});
    records.Add<CacheUpdate>(
        u"CacheUpdate",
        {BELLQUIST_FIELD(CacheUpdate, mbsName, VT_BSTR), BELLQUIST_FIELD(CacheUpdate, mlId, VT_I4),
         BELLQUIST_FIELD(CacheUpdate, mlFolderId, VT_I4), BELLQUIST_FIELD(CacheUpdate, mlVersion, VT_I4)});
    records.Add<UniqueDocument>(u"UniqueDocument", {BELLQUIST_FIELD(UniqueDocument, mlDocumentID, VT_I4),
                                                    BELLQUIST_FIELD(UniqueDocument, mlParentProjectID, VT_I4),
                                                    BELLQUIST_FIELD(UniqueDocument, mlVersion, VT_I4),
                                                    BELLQUIST_FIELD(UniqueDocument, mlObjectTypeID, VT_I4)});
    records.Add<ItmDbInfo>(
        u"ItmDbInfo", {BELLQUIST_FIELD(ItmDbInfo, meItemType, VT_I4), BELLQUIST_FIELD(ItmDbInfo, mlDocumentID, VT_I4),
                       BELLQUIST_FIELD(ItmDbInfo, mlProjectID, VT_I4), BELLQUIST_FIELD(ItmDbInfo, moItemName, VT_BSTR),
                       BELLQUIST_FIELD(ItmDbInfo, moItemPath, VT_BSTR)});
}

const com::TypeLibrary& TypeLibrary() {
    static const com::TypeLibrary library{&LIBID_BellquistLib,           kLibraryMajorVersion, kLibraryMinorVersion,
                                          u"Bellquist 1.0 Type Library", kInterfaces,          &RegisterRecords};
    return library;
}

}  // namespace BellquistLib
