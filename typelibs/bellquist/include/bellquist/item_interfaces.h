// The interfaces of BellquistLib's item objects (ItmObject, ItmItem,
// ItmFolder, ItmFile, ItmBOM), of their link manager (ItmLinkManager) and of
// local transactions. Methods are in vtable order; records and arrays that a
// method hands out belong to the caller (task memory for single records).
#pragma once

#include "bellquist/enums.h"
#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace BellquistLib {

struct IItmLinkManager;
struct ILocalTransactionMgr;

// Every item object. Dual.
struct IItmObject : IDispatch {
    COM_INTERFACE_ID("0C3BB924-F6E1-48F8-83EF-AEC1BB9FDB08");
    // pLoad may be null.
    virtual HRESULT STDMETHODCALLTYPE Load(ItmObjectData* pData, LoadItmObjectData* pLoad) = 0;
    virtual HRESULT STDMETHODCALLTYPE Swap(IItmObject* poOther, VARIANT_BOOL bDoExcludeVersionSpecificFields) = 0;
    // The mask of the property groups that differ.
    virtual HRESULT STDMETHODCALLTYPE Compare(IItmObject* poOther, LONG* plMask) = 0;
    virtual HRESULT STDMETHODCALLTYPE Copy(IItmObject* poOther, LONG lMask) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUniqueID(ItmUniqueID** ppoUniqueID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPathPartOnly(BSTR bsNewPath) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LinkManager(IItmLinkManager** ppoLinkManager) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ID(LONG* plID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(ItmObjectType* peType) = 0;
    // The id of the parent of kind eParentType.
    virtual HRESULT STDMETHODCALLTYPE get_ParentIDOf(ItmObjectType eParentType, LONG* plParentID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ParentID(LONG* plParentID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ParentType(ItmObjectType* peParentType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pbsName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LockedBy(BSTR* pbsLockedBy) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_State(BSTR* pbsState) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Path(BSTR* pbsPath) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ModifiedDate(DATE* pdModified) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ModifiedDate(DATE dModified) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserID(LONG* plUserID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AttachedVersion(LONG* plVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AttachedVersion(LONG lVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ParentProjectID(LONG* plParentProjectID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConfigName(BSTR* pbsConfigName) = 0;
    // The connection object that produced the object.
    virtual HRESULT STDMETHODCALLTYPE get_TavroskAPI(IUnknown** ppoConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AlternateName(BSTR* pbsAlternateName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUpToDate(VARIANT_BOOL* pbIsUpToDate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LocalVersion(LONG* plVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_LocalVersion(LONG lVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LatestVersion(LONG* plVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_LatestVersion(LONG lVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LockViewID(GUID* pLockViewID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LinkedFileName(BSTR* pbsLinkedFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ItemObjectFlags(LONG* plFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsDirty(VARIANT_BOOL* pbIsDirty) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsDirty(VARIANT_BOOL bIsDirty) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DynamicFileLinkVersion(LONG* plVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DynamicFileLinkVersion(LONG lVersion) = 0;

protected:
    ~IItmObject() = default;
};

// An item. Dual.
struct IItmItem : IItmObject {
    COM_INTERFACE_ID("F196E968-4A8E-4C58-84DD-BF6263BE50D6");
    virtual HRESULT STDMETHODCALLTYPE GetItmLink(ItmLink** ppoLink) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLinkData(ItmLinkData** ppoLinkData) = 0;

protected:
    ~IItmItem() = default;
};

// An item folder (root item folder, vault or item folder). Dual.
struct IItmFolder : IItmObject {
    COM_INTERFACE_ID("164B4E44-6494-46D4-A6A6-E68B72A62365");

protected:
    ~IItmFolder() = default;
};

// A file linked to an item. Dual.
struct IItmFile : IDispatch {
    COM_INTERFACE_ID("DB12054D-6101-42D8-BB5F-946884B85E20");
    virtual HRESULT STDMETHODCALLTYPE get_LinkType(ItmLinkType* peLinkType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConfigID(LONG* plConfigID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItmLink(ItmLink** ppoLink) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLinkData(ItmLinkData** ppoLinkData) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsCutlistItem(VARIANT_BOOL* pbIsCutlist) = 0;

protected:
    ~IItmFile() = default;
};

// A BOM. Dual.
struct IItmBOM : IDispatch {
    COM_INTERFACE_ID("9D9FED36-CA70-4BC7-8A3A-70127AD70154");
    virtual HRESULT STDMETHODCALLTYPE get_LinkType(ItmLinkType* peLinkType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConfigID(LONG* plConfigID) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ParentProjectID(LONG lParentProjectID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItmLink(ItmLink** ppoLink) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLinkData(ItmLinkData** ppoLinkData) = 0;

protected:
    ~IItmBOM() = default;
};

// The child links of an item or item folder. Dual. Arrays of objects are
// SAFEARRAY(VARIANT) holding IItmObject; record arrays are named beside them.
struct IItmLinkManager : IDispatch {
    COM_INTERFACE_ID("E58B00B5-1ACC-4CD4-8E28-D03758BD6771");
    virtual HRESULT STDMETHODCALLTYPE GetLinkCount(ItmLinkType eLinkType, LONG* plCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasDynamicLink(VARIANT_BOOL* pbHasDynamicLink) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasUnloadedChildren(VARIANT_BOOL* pbHasUnloadedChildren) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHasUnloadedChildren(VARIANT_BOOL bHasUnloadedChildren) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLinkOperation(IItmObject* poObject, ItmLinkOperation* peLinkOperation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLinkType(IItmObject* poObject, ItmLinkType* peLinkType) = 0;
    // SAFEARRAY(ItmUniqueID)
    virtual HRESULT STDMETHODCALLTYPE GetLinksID(SAFEARRAY** ppoLinksID) = 0;
    // SAFEARRAY(ItmLink)
    virtual HRESULT STDMETHODCALLTYPE GetLinks(ItmLinkType eLinkType, SAFEARRAY** ppoLinks) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddLink(ItmLink* poLink) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddLink2(IItmObject* poObject, ItmLinkOperation eLinkOperation) = 0;
    // SAFEARRAY(ItmLink)
    virtual HRESULT STDMETHODCALLTYPE AddLinks(SAFEARRAY* poLinks) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddLinks2(SAFEARRAY* poObjects, ItmLinkOperation eLinkOperation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveLink(ItmUniqueID* poUniqueID) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveLink2(IItmObject* poObject) = 0;
    // SAFEARRAY(ItmUniqueID)
    virtual HRESULT STDMETHODCALLTYPE RemoveLinks(SAFEARRAY* poUniqueIDs) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveLinks2(SAFEARRAY* poObjects) = 0;
    virtual HRESULT STDMETHODCALLTYPE SwitchLink(IItmObject* poObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE SwitchLinks(SAFEARRAY* poObjects) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsDirty(VARIANT_BOOL* pbIsDirty) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFirstChildID(ItmObjectType* peObjectType, LONG* plID, LONG* plConfigID) = 0;
    // plConfigID is in/out: on entry the current child's configuration.
    virtual HRESULT STDMETHODCALLTYPE GetNextChildID(ItmObjectType eCurObjectType, LONG lCurID,
                                                     ItmObjectType* peObjectType, LONG* plID, LONG* plConfigID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocalVersion(LONG* plVersion) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParentName(IItmObject* poParent) = 0;

protected:
    ~IItmLinkManager() = default;
};

// What takes part in a local transaction (a link manager).
struct ILocalTransaction : IUnknown {
    COM_INTERFACE_ID("E7C2EBB3-975D-4F8E-9BD6-71A8851BD684");
    virtual HRESULT STDMETHODCALLTYPE BeginLocalTransaction(ILocalTransactionMgr* poManager) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
    virtual HRESULT STDMETHODCALLTYPE Rollback() = 0;
    virtual HRESULT STDMETHODCALLTYPE InTransaction(VARIANT_BOOL* pbInTransaction) = 0;

protected:
    ~ILocalTransaction() = default;
};

// A local transaction over the item cache file.
struct ILocalTransactionMgr : IUnknown {
    COM_INTERFACE_ID("8BD63E5D-1910-45B7-BE01-078DF5B0D366");
    virtual HRESULT STDMETHODCALLTYPE BeginTransaction() = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
    virtual HRESULT STDMETHODCALLTYPE Rollback() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddParticipant(ILocalTransaction* poParticipant) = 0;
    // The transaction's cache interface, an object of this process given as
    // the address of a 64-bit integer; borrowed, no reference for the caller.
    virtual HRESULT STDMETHODCALLTYPE GetCacheFile(LONGLONG** ppoCacheFile) = 0;

protected:
    ~ILocalTransactionMgr() = default;
};

}  // namespace BellquistLib
