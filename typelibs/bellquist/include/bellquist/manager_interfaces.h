// The interfaces of BellquistLib's item manager (ItmManager). Methods are in
// vtable order. Lists of items are SAFEARRAY(VARIANT) holding IItmObject;
// record arrays are named beside them. The caller creates and destroys every
// [in] array; the manager creates every [out] array and the caller destroys
// it.
#pragma once

#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace BellquistLib {

struct IItmObject;
struct IItmItem;
struct IItmFolder;
struct ILocalTransactionMgr;

// The item operations on one vault. Dual.
struct IItmManager : IDispatch {
    COM_INTERFACE_ID("C6EB04CA-8773-432E-9E0E-7A46BF87818A");
    virtual HRESULT STDMETHODCALLTYPE Init(InitData oData) = 0;
    virtual HRESULT STDMETHODCALLTYPE Login(BSTR bsVaultName, LoginDataOut* oLoginResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE LogOut() = 0;
    // The folder to list comes in through poItemToListItsChild.
    virtual HRESULT STDMETHODCALLTYPE EnumItemFolder(IItmObject** poItemToListItsChild, SAFEARRAY** poItmItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE GenerateItemFromFile(SAFEARRAY* pItmFiles, IItmObject* poDestItemFolder,
                                                           SAFEARRAY** pItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE GenerateItemFromFilePath(SAFEARRAY* pFilesPaths, IItmObject* poDestItemFolder,
                                                               SAFEARRAY** pItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNewItem(IItmObject* poParent, IItmItem** poNewItem) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNewItemFolder(IItmObject* poParent, BSTR bsItemFolderName,
                                                          IItmFolder** poNewItemFolder) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLatestVersion(SAFEARRAY* poItmItemsToGet, SAFEARRAY** poReturnedItems,
                                                       VARIANT_BOOL vbSilent, VARIANT_BOOL vbCopyMetaDataIfLocked) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSpecificVersion(IItmObject* poItem, LONG lVersion,
                                                         SAFEARRAY** poReturnedItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckIn(SAFEARRAY* poItmItems, LONG lParentWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckOut(SAFEARRAY* poItmItems, VARIANT_BOOL bSilent) = 0;
    virtual HRESULT STDMETHODCALLTYPE UndoCheckOut(SAFEARRAY* poItmItems, LONG lParentWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeState(SAFEARRAY* poItmItems, BSTR oTransitionName,
                                                  SAFEARRAY** ppoChangedItmItems) = 0;
    // The parent item comes in through poParentObject.
    virtual HRESULT STDMETHODCALLTYPE LinkFileFromFilePath(SAFEARRAY* poFilePath, IItmObject** poParentObject,
                                                           SAFEARRAY** poItmItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(VARIANT_BOOL bDestroy, SAFEARRAY* poItmItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE IncrRevision(SAFEARRAY* poItmItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(SAFEARRAY* poItmItems, IItmFolder* poDestination) = 0;
    virtual HRESULT STDMETHODCALLTYPE Rename(IItmObject* poItmObject, BSTR bsNewName) = 0;
    // poDocuments: SAFEARRAY(UniqueDocument); poUserSystemRights: SAFEARRAY(UINT);
    // then SAFEARRAY(MenuVersionInfo), SAFEARRAY(MenuTransitionInfo) and
    // SAFEARRAY(MenuStatusNotificationInfo).
    virtual HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY* poDocuments, ULONG ulInfoToReturn, ULONG* pulEnableFlags,
                                                  ULONG* pulUserRights, SAFEARRAY** poUserSystemRights,
                                                  SAFEARRAY** poVersionInfo, SAFEARRAY** poTransitionInfo,
                                                  SAFEARRAY** poStatusInfo) = 0;
    // ppoDeletedDestroyed: SAFEARRAY(DelOrDestroyed).
    virtual HRESULT STDMETHODCALLTYPE BatchGetTrees(SAFEARRAY* poItmItems, LONG lFlags, LONG lLevels,
                                                    SAFEARRAY** ppoItmItems, SAFEARRAY** ppoDeletedDestroyed) = 0;
    virtual HRESULT STDMETHODCALLTYPE BatchRefreshTrees(SAFEARRAY* poItmItems, LONG lLevels, SAFEARRAY** ppoItmItems,
                                                        SAFEARRAY** ppoDeletedDestroyed) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateItemsFromDynLink(SAFEARRAY* poItmItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE CoCreateItem(ItmObjectData* oItmObjectData, IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExistInFileCache(IItmObject* poItem, VARIANT_BOOL* pbExists) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckCyclicReferences(SAFEARRAY* poItemsLeft, SAFEARRAY* poItemsRight) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginLocalTransaction(ILocalTransactionMgr** ppiTrans) = 0;

protected:
    ~IItmManager() = default;
};

// The item manager's later operations. Dual.
struct IItmManager2 : IItmManager {
    COM_INTERFACE_ID("F2EF5FF8-0526-4B3A-8F3F-EFD7D2496CDD");
    // poItems: SAFEARRAY(ItemDataIn); ppoDeletedDestroyed: SAFEARRAY(DelOrDestroyed).
    virtual HRESULT STDMETHODCALLTYPE BatchGetTrees2(SAFEARRAY* poItems, LONG lFlags, LONG lLevels,
                                                     SAFEARRAY** ppoItmItems, SAFEARRAY** ppoDeletedDestroyed) = 0;
    virtual HRESULT STDMETHODCALLTYPE Login2(BSTR bsVaultName, BSTR bsUser, BSTR bsPwd, BSTR bsSqlUser, BSTR bsSqlPwd,
                                             ULONG ulUserId, LoginDataOut* oLoginResult) = 0;
    // SAFEARRAY(ItmInfoSupplement)
    virtual HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY** ppoItmInfoSupplement) = 0;
    // SAFEARRAY(CacheUpdate)
    virtual HRESULT STDMETHODCALLTYPE UpdateCache(SAFEARRAY* poUpdate) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeState2(SAFEARRAY* poItmItems, BSTR oTransitionName, VARIANT_BOOL obRevoke,
                                                   SAFEARRAY** ppoChangedItmItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE RefreshLocalCache() = 0;

protected:
    ~IItmManager2() = default;
};

// The items of an outside item operation, grouped by vault.
struct IVaultUtils : IUnknown {
    COM_INTERFACE_ID("47177961-CCDA-4A73-9A70-D18AF728BC3B");
    virtual HRESULT STDMETHODCALLTYPE Init(SAFEARRAY* poItems) = 0;
    // ppoItems: SAFEARRAY(XRefRootObject).
    virtual HRESULT STDMETHODCALLTYPE GetNextVault(ItmVaultInfo* poConnectionInfo, SAFEARRAY** ppoItems,
                                                   VARIANT_BOOL* pbMore) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVaultCount(LONG* poVaultlCount) = 0;

protected:
    ~IVaultUtils() = default;
};

}  // namespace BellquistLib
