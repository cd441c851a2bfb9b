// CItmManager (coclass ItmManager): the single entry through which the
// explorer works on the items of one vault. It owns the two back ends - the
// client back end and the vault-interface back end, over one item cache
// file - and sends each operation to one of them by a fixed table. Its own
// decisions: the client type at Init, the object types CoCreateItem
// accepts, the spelling of a new name at Rename, the progress object of
// check-in and undo check-out, the local transaction object, the view
// events of the operations that change items, and IVaultUtils, which hands
// an outside item operation its items grouped by vault.
//
// Every method runs inside a method boundary: a COM error raised below
// comes back as its HRESULT with its error info. Every method that needs a
// back end answers E_OXN_NOT_INITIALIZED until an Init has succeeded.
//
// Apartment-threaded: called on one thread only, no lock.
#pragma once

#include "vault_entry.h"

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"

#include <map>
#include <memory>

class CItemCacheFile;
class CItemChangeEvents;
class CProxyTavroskAPI;
class CProxyOxnInterface;
template <class T>
class RefPtr;

// How Init makes its back ends: the real ones by default; tests put spies
// in their place.
class CItmBackEndFactory {
public:
    virtual ~CItmBackEndFactory() = default;
    virtual std::unique_ptr<CProxyTavroskAPI> mpoCreateClientBackEnd(const RefPtr<CItemCacheFile>& cacheFile) const;
    virtual std::unique_ptr<CProxyOxnInterface> mpoCreateVaultBackEnd(const RefPtr<CItemCacheFile>& cacheFile,
                                                                      CProxyTavroskAPI* clientBackEnd) const;
};

class CItmManager : public CComObjectRootEx<CComSingleThreadModel>,
                    public CComCoClass<CItmManager, &BellquistLib::CLSID_ItmManager>,
                    public IDispatchImpl<BellquistLib::IItmManager2, &BellquistLib::IItmManager2::kIid,
                                         &BellquistLib::LIBID_BellquistLib, 1, 0>,
                    public BellquistLib::IVaultUtils {
public:
    BEGIN_COM_MAP(CItmManager)
    COM_INTERFACE_ENTRY2(BellquistLib::IItmManager, BellquistLib::IItmManager2)
    COM_INTERFACE_ENTRY(BellquistLib::IItmManager2)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmManager2)
    COM_INTERFACE_ENTRY(BellquistLib::IVaultUtils)
    END_COM_MAP()

    // Makes the empty, locked item list of IVaultUtils.
    HRESULT FinalConstruct();

    // Replaces the maker of the back ends of later Inits (null: the real
    // ones). The factory must outlive the manager's Inits.
    void mvSetBackEndFactory(const CItmBackEndFactory* factory) noexcept;

    // --- IItmManager -------------------------------------------------------
    // E_NOTIMPL (nothing changed) unless the client type is the local
    // client. Otherwise a new cache file object for the vault and two new
    // back ends replace the old ones; the vault-interface back end is
    // initialised first (its failure is returned), then the client back end,
    // whose result is returned.
    HRESULT STDMETHODCALLTYPE Init(BellquistLib::InitData oData) override;
    HRESULT STDMETHODCALLTYPE Login(BSTR bsVaultName, BellquistLib::LoginDataOut* oLoginResult) override;
    HRESULT STDMETHODCALLTYPE LogOut() override;
    HRESULT STDMETHODCALLTYPE EnumItemFolder(BellquistLib::IItmObject** poItemToListItsChild,
                                             SAFEARRAY** poItmItems) override;
    HRESULT STDMETHODCALLTYPE GenerateItemFromFile(SAFEARRAY* pItmFiles, BellquistLib::IItmObject* poDestItemFolder,
                                                   SAFEARRAY** pItems) override;
    HRESULT STDMETHODCALLTYPE GenerateItemFromFilePath(SAFEARRAY* pFilesPaths,
                                                       BellquistLib::IItmObject* poDestItemFolder,
                                                       SAFEARRAY** pItems) override;
    HRESULT STDMETHODCALLTYPE CreateNewItem(BellquistLib::IItmObject* poParent,
                                            BellquistLib::IItmItem** poNewItem) override;
    HRESULT STDMETHODCALLTYPE CreateNewItemFolder(BellquistLib::IItmObject* poParent, BSTR bsItemFolderName,
                                                  BellquistLib::IItmFolder** poNewItemFolder) override;
    // poReturnedItems is never written: every caller initialises it.
    HRESULT STDMETHODCALLTYPE GetLatestVersion(SAFEARRAY* poItmItemsToGet, SAFEARRAY** poReturnedItems,
                                               VARIANT_BOOL vbSilent, VARIANT_BOOL vbCopyMetaDataIfLocked) override;
    HRESULT STDMETHODCALLTYPE GetSpecificVersion(BellquistLib::IItmObject* poItem, LONG lVersion,
                                                 SAFEARRAY** poReturnedItems) override;
    // With a new progress object for the parent window, released after.
    HRESULT STDMETHODCALLTYPE CheckIn(SAFEARRAY* poItmItems, LONG lParentWnd) override;
    HRESULT STDMETHODCALLTYPE CheckOut(SAFEARRAY* poItmItems, VARIANT_BOOL bSilent) override;
    HRESULT STDMETHODCALLTYPE UndoCheckOut(SAFEARRAY* poItmItems, LONG lParentWnd) override;
    HRESULT STDMETHODCALLTYPE ChangeState(SAFEARRAY* poItmItems, BSTR oTransitionName,
                                          SAFEARRAY** ppoChangedItmItems) override;
    HRESULT STDMETHODCALLTYPE LinkFileFromFilePath(SAFEARRAY* poFilePath, BellquistLib::IItmObject** poParentObject,
                                                   SAFEARRAY** poItmItems) override;
    HRESULT STDMETHODCALLTYPE Delete(VARIANT_BOOL bDestroy, SAFEARRAY* poItmItems) override;
    HRESULT STDMETHODCALLTYPE IncrRevision(SAFEARRAY* poItmItems) override;
    HRESULT STDMETHODCALLTYPE Move(SAFEARRAY* poItmItems, BellquistLib::IItmFolder* poDestination) override;
    // E_INVALIDARG, nothing sent, when the name's stem (the name without its
    // extension) begins or ends with white space; else forwarded unchanged.
    HRESULT STDMETHODCALLTYPE Rename(BellquistLib::IItmObject* poItmObject, BSTR bsNewName) override;
    HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY* poDocuments, ULONG ulInfoToReturn, ULONG* pulEnableFlags,
                                          ULONG* pulUserRights, SAFEARRAY** poUserSystemRights,
                                          SAFEARRAY** poVersionInfo, SAFEARRAY** poTransitionInfo,
                                          SAFEARRAY** poStatusInfo) override;
    HRESULT STDMETHODCALLTYPE BatchGetTrees(SAFEARRAY* poItmItems, LONG lFlags, LONG lLevels, SAFEARRAY** ppoItmItems,
                                            SAFEARRAY** ppoDeletedDestroyed) override;
    HRESULT STDMETHODCALLTYPE BatchRefreshTrees(SAFEARRAY* poItmItems, LONG lLevels, SAFEARRAY** ppoItmItems,
                                                SAFEARRAY** ppoDeletedDestroyed) override;
    HRESULT STDMETHODCALLTYPE UpdateItemsFromDynLink(SAFEARRAY* poItmItems) override;
    // A new item object (folder 3, item 4 or BOM 7; CLASS_E_NOAGGREGATION
    // for any other type) loaded from a copy of the record that carries the
    // client object as its connection. The caller's record is not changed.
    HRESULT STDMETHODCALLTYPE CoCreateItem(BellquistLib::ItmObjectData* oItmObjectData, IUnknown** ppUnk) override;
    HRESULT STDMETHODCALLTYPE ExistInFileCache(BellquistLib::IItmObject* poItem, VARIANT_BOOL* pbExists) override;
    HRESULT STDMETHODCALLTYPE CheckCyclicReferences(SAFEARRAY* poItemsLeft, SAFEARRAY* poItemsRight) override;
    // A new local transaction over the client back end's cache file.
    HRESULT STDMETHODCALLTYPE BeginLocalTransaction(BellquistLib::ILocalTransactionMgr** ppiTrans) override;

    // --- IItmManager2 ------------------------------------------------------
    HRESULT STDMETHODCALLTYPE BatchGetTrees2(SAFEARRAY* poItems, LONG lFlags, LONG lLevels, SAFEARRAY** ppoItmItems,
                                             SAFEARRAY** ppoDeletedDestroyed) override;
    HRESULT STDMETHODCALLTYPE Login2(BSTR bsVaultName, BSTR bsUser, BSTR bsPwd, BSTR bsSqlUser, BSTR bsSqlPwd,
                                     ULONG ulUserId, BellquistLib::LoginDataOut* oLoginResult) override;
    HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY** ppoItmInfoSupplement) override;
    HRESULT STDMETHODCALLTYPE UpdateCache(SAFEARRAY* poUpdate) override;
    // Revokes exactly when obRevoke is VARIANT_TRUE.
    HRESULT STDMETHODCALLTYPE ChangeState2(SAFEARRAY* poItmItems, BSTR oTransitionName, VARIANT_BOOL obRevoke,
                                           SAFEARRAY** ppoChangedItmItems) override;
    HRESULT STDMETHODCALLTYPE RefreshLocalCache() override;

    // --- IVaultUtils (vault_utils.cpp) --------------------------------------
    // Keeps a locked copy of the items (an array of VARIANTs holding item
    // objects) and forgets the vaults of the earlier list. E_OXN_NULL_VALUE for
    // null, E_INVALIDARG for an array of anything else; a bad array leaves
    // the earlier list as it was.
    HRESULT STDMETHODCALLTYPE Init(SAFEARRAY* poItems) override;
    // The next vault among the items: its connection information and its
    // items as XRefRootObject records, *pbMore VARIANT_TRUE. Once no vault
    // is left (and for an empty list), *pbMore VARIANT_FALSE, *ppoItems null
    // and the information zeroed, on every further call too. The first call
    // after Init groups the items by their connection, in pointer order.
    // E_OXN_NULL_VALUE for a null argument.
    HRESULT STDMETHODCALLTYPE GetNextVault(BellquistLib::ItmVaultInfo* poConnectionInfo, SAFEARRAY** ppoItems,
                                           VARIANT_BOOL* pbMore) override;
    // The vaults found so far: 0 until the first GetNextVault after Init.
    HRESULT STDMETHODCALLTYPE GetVaultCount(LONG* poVaultlCount) override;

protected:
    CItmManager();
    // Forgets the vaults, destroys the item list, then the vault-interface
    // back end and the client back end.
    ~CItmManager();

private:
    // The client back end when an Init succeeded, else null.
    CProxyTavroskAPI* mpoClient() const noexcept;
    // The vault-interface back end when an Init succeeded, else null.
    CProxyOxnInterface* mpoVault() const noexcept;
    // This manager as the back ends' "manager" argument (no reference).
    BellquistLib::IItmManager* mpoSelf() noexcept { return this; }
    // Calls CheckIn or UndoCheckOut of the vault back end with a progress
    // object for the window.
    template <class Call>
    HRESULT mhWithProgress(LONG lParentWnd, Call call);
    // Returns `hr` of an operation that changed items of the `changes`
    // folders (made for the client back end, which logged in and knows the
    // vault); when it succeeded, the other programs of the session are told
    // (item_change_events.h).
    HRESULT mhAnnounced(const CItemChangeEvents& changes, HRESULT hr) const;

    // IVaultUtils helpers.
    void mvForgetVaults() noexcept;
    void mvDestroyItemList() noexcept;
    // Groups the items of the list by connection (sets the built flag).
    HRESULT mhBuildVaultMap();
    // The entry's items as a new SAFEARRAY(XRefRootObject).
    HRESULT mhMakeXRefRoots(const VaultEntry& entry, SAFEARRAY** roots);

    std::unique_ptr<CProxyTavroskAPI> mpoTavroskAPI;
    std::unique_ptr<CProxyOxnInterface> mpoOxnInterface;
    SAFEARRAY* mpoItems = nullptr;  // SAFEARRAY(VARIANT), locked while held
    std::map<IUnknown*, std::unique_ptr<VaultEntry>> moVaults;
    std::map<IUnknown*, std::unique_ptr<VaultEntry>>::iterator moCursor;
    LONG mlVaultsBuilt = 0;
    bool mbInitialized = false;
    const CItmBackEndFactory* mpoFactory;
};
