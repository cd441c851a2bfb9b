#include "itm_manager.h"

#include "item_change_events.h"
#include "proxy_oxn_interface.h"
#include "proxy_tavrosk_api.h"

#include "itemstore/item_cache_file.h"
#include "common/error_codes.h"
#include "itemstore/local_transaction.h"
#include "itemstore/progress/itm_progress.h"

#include "bellquist/item_interfaces.h"
#include "com/com_ptr.h"
#include "com/method_boundary.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "winapi/errors.h"
#include "winapi/shell_paths.h"
#include "winapi/text.h"

#include <string_view>

using namespace BellquistLib;

std::unique_ptr<CProxyTavroskAPI> CItmBackEndFactory::mpoCreateClientBackEnd(
    const RefPtr<CItemCacheFile>& cacheFile) const {
    return std::make_unique<CProxyTavroskAPI>(cacheFile);
}

std::unique_ptr<CProxyOxnInterface> CItmBackEndFactory::mpoCreateVaultBackEnd(const RefPtr<CItemCacheFile>& cacheFile,
                                                                              CProxyTavroskAPI* clientBackEnd) const {
    return std::make_unique<CProxyOxnInterface>(cacheFile, clientBackEnd);
}

namespace {

const CItmBackEndFactory kRealBackEnds;

// Calls `forward` on the back end when there is one.
template <class BackEnd, class Call>
HRESULT Forward(BackEnd* backEnd, Call forward) {
    return com::Boundary([&]() -> HRESULT {
        if (!backEnd) return E_OXN_NOT_INITIALIZED;
        return forward(*backEnd);
    });
}

// The name minus its extension (PathFindExtensionW's rule) begins or ends
// with white space.
bool StemHasOuterBlank(BSTR name) {
    const WCHAR* text = name ? name : u"";
    std::u16string_view stem(text, static_cast<size_t>(PathFindExtensionW(text) - text));
    if (stem.empty()) return false;
    return iswspace(stem.front()) || iswspace(stem.back());
}

}  // namespace

CItmManager::CItmManager() : moCursor(moVaults.end()), mpoFactory(&kRealBackEnds) {}

CItmManager::~CItmManager() {
    mvForgetVaults();
    mvDestroyItemList();
    mpoOxnInterface.reset();
    mpoTavroskAPI.reset();
}

HRESULT CItmManager::FinalConstruct() {
    mpoItems = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    if (!mpoItems) return E_OUTOFMEMORY;
    if (HRESULT hr = SafeArrayLock(mpoItems); FAILED(hr)) {
        mvDestroyItemList();
        return hr;
    }
    return S_OK;
}

void CItmManager::mvSetBackEndFactory(const CItmBackEndFactory* factory) noexcept {
    mpoFactory = factory ? factory : &kRealBackEnds;
}

CProxyTavroskAPI* CItmManager::mpoClient() const noexcept { return mbInitialized ? mpoTavroskAPI.get() : nullptr; }

CProxyOxnInterface* CItmManager::mpoVault() const noexcept { return mbInitialized ? mpoOxnInterface.get() : nullptr; }

HRESULT CItmManager::Init(InitData oData) {
    return com::Boundary([&]() -> HRESULT {
        if (oData.meClientType != ClientType_Local_Client) return E_NOTIMPL;
        RefPtr<CItemCacheFile> cacheFile(new CItemCacheFile(oData.moVaultGUID));
        std::unique_ptr<CProxyTavroskAPI> client = mpoFactory->mpoCreateClientBackEnd(cacheFile);
        std::unique_ptr<CProxyOxnInterface> vault = mpoFactory->mpoCreateVaultBackEnd(cacheFile, client.get());
        // The old back ends go now, the vault-interface one first: it points
        // at its client back end.
        mbInitialized = false;
        mpoOxnInterface = std::move(vault);
        mpoTavroskAPI = std::move(client);
        if (HRESULT hr = mpoOxnInterface->Init(oData); FAILED(hr)) return hr;
        HRESULT hr = mpoTavroskAPI->Init(oData);
        mpoTavroskAPI->mvSetOxnInterface(mpoOxnInterface.get());
        mbInitialized = SUCCEEDED(hr);
        return hr;
    });
}

HRESULT CItmManager::Login(BSTR bsVaultName, LoginDataOut* oLoginResult) {
    return Forward(mpoClient(), [&](CProxy& client) { return client.Login(bsVaultName, oLoginResult); });
}

HRESULT CItmManager::LogOut() {
    return Forward(mpoClient(), [&](CProxy& client) { return client.LogOut(); });
}

HRESULT CItmManager::EnumItemFolder(IItmObject** poItemToListItsChild, SAFEARRAY** poItmItems) {
    return Forward(mpoClient(),
                   [&](CProxy& client) { return client.EnumItemFolder(poItemToListItsChild, poItmItems); });
}

HRESULT CItmManager::GenerateItemFromFile(SAFEARRAY* pItmFiles, IItmObject* poDestItemFolder, SAFEARRAY** pItems) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFolder(poDestItemFolder);
        return mhAnnounced(changes, client.GenerateItemFromFile(pItmFiles, poDestItemFolder, pItems));
    });
}

HRESULT CItmManager::GenerateItemFromFilePath(SAFEARRAY* pFilesPaths, IItmObject* poDestItemFolder,
                                              SAFEARRAY** pItems) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFolder(poDestItemFolder);
        return mhAnnounced(changes, client.GenerateItemFromFilePath(pFilesPaths, poDestItemFolder, pItems));
    });
}

HRESULT CItmManager::CreateNewItem(IItmObject* poParent, IItmItem** poNewItem) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFolder(poParent);
        return mhAnnounced(changes, client.CreateNewItem(poParent, poNewItem));
    });
}

HRESULT CItmManager::CreateNewItemFolder(IItmObject* poParent, BSTR bsItemFolderName, IItmFolder** poNewItemFolder) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFolder(poParent);
        return mhAnnounced(changes, client.CreateNewItemFolder(poParent, bsItemFolderName, poNewItemFolder));
    });
}

HRESULT CItmManager::GetLatestVersion(SAFEARRAY* poItmItemsToGet, SAFEARRAY** /*poReturnedItems*/,
                                      VARIANT_BOOL vbSilent, VARIANT_BOOL vbCopyMetaDataIfLocked) {
    return Forward(mpoVault(), [&](CProxy& vault) {
        return vault.GetLatestVersion(poItmItemsToGet, vbSilent, mpoSelf(), vbCopyMetaDataIfLocked);
    });
}

HRESULT CItmManager::GetSpecificVersion(IItmObject* poItem, LONG lVersion, SAFEARRAY** poReturnedItems) {
    return Forward(mpoVault(), [&](CProxy& vault) {
        return vault.GetSpecificVersion(poItem, lVersion, poReturnedItems, mpoSelf());
    });
}

HRESULT CItmManager::mhAnnounced(const CItemChangeEvents& changes, HRESULT hr) const {
    if (SUCCEEDED(hr)) changes.mvPost();
    return hr;
}

template <class Call>
HRESULT CItmManager::mhWithProgress(LONG lParentWnd, Call call) {
    return Forward(mpoVault(), [&](CProxy& vault) -> HRESULT {
        // The explorer's window arrives as a 32-bit value: sign-extended, as
        // window handles are.
        HWND parent = reinterpret_cast<HWND>(static_cast<LONG_PTR>(lParentWnd));
        // The progress object comes with one reference, which this scope owns.
        com::ComPtr<IItmProgress> progress(gpoCreateProgObj(parent), false);
        if (!progress) return E_OUTOFMEMORY;
        return call(vault, progress.GetInterfacePtr());
    });
}

HRESULT CItmManager::CheckIn(SAFEARRAY* poItmItems, LONG lParentWnd) {
    return mhWithProgress(lParentWnd, [&](CProxy& vault, IItmProgress* progress) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, vault.CheckIn(poItmItems, progress));
    });
}

HRESULT CItmManager::CheckOut(SAFEARRAY* poItmItems, VARIANT_BOOL bSilent) {
    return Forward(mpoVault(), [&](CProxy& vault) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, vault.CheckOut(poItmItems, bSilent, mpoSelf()));
    });
}

HRESULT CItmManager::UndoCheckOut(SAFEARRAY* poItmItems, LONG lParentWnd) {
    return mhWithProgress(lParentWnd, [&](CProxy& vault, IItmProgress* progress) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, vault.UndoCheckOut(poItmItems, progress));
    });
}

HRESULT CItmManager::ChangeState(SAFEARRAY* poItmItems, BSTR oTransitionName, SAFEARRAY** ppoChangedItmItems) {
    return Forward(mpoVault(), [&](CProxy& vault) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, vault.ChangeState(poItmItems, oTransitionName, ppoChangedItmItems));
    });
}

HRESULT CItmManager::LinkFileFromFilePath(SAFEARRAY* poFilePath, IItmObject** poParentObject, SAFEARRAY** poItmItems) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFolderOf(poParentObject);
        return mhAnnounced(changes, client.LinkFileFromFilePath(poFilePath, poParentObject, poItmItems, mpoSelf()));
    });
}

HRESULT CItmManager::Delete(VARIANT_BOOL bDestroy, SAFEARRAY* poItmItems) {
    return Forward(mpoVault(), [&](CProxy& vault) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, vault.Delete(bDestroy, poItmItems, mpoSelf()));
    });
}

HRESULT CItmManager::IncrRevision(SAFEARRAY* poItmItems) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, client.IncrRevision(poItmItems));
    });
}

HRESULT CItmManager::Move(SAFEARRAY* poItmItems, IItmFolder* poDestination) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        changes.mvAddFolder(poDestination);
        return mhAnnounced(changes, client.Move(poItmItems, poDestination));
    });
}

HRESULT CItmManager::Rename(IItmObject* poItmObject, BSTR bsNewName) {
    return Forward(mpoClient(), [&](CProxy& client) {
        if (StemHasOuterBlank(bsNewName)) return E_INVALIDARG;
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFolderOf(poItmObject);
        return mhAnnounced(changes, client.Rename(poItmObject, bsNewName));
    });
}

HRESULT CItmManager::GetMenuInfo(SAFEARRAY* poDocuments, ULONG ulInfoToReturn, ULONG* pulEnableFlags,
                                 ULONG* pulUserRights, SAFEARRAY** poUserSystemRights, SAFEARRAY** poVersionInfo,
                                 SAFEARRAY** poTransitionInfo, SAFEARRAY** poStatusInfo) {
    return Forward(mpoClient(), [&](CProxy& client) {
        return client.GetMenuInfo(poDocuments, ulInfoToReturn, pulEnableFlags, pulUserRights, poUserSystemRights,
                                  poVersionInfo, poTransitionInfo, poStatusInfo);
    });
}

HRESULT CItmManager::BatchGetTrees(SAFEARRAY* poItmItems, LONG lFlags, LONG lLevels, SAFEARRAY** ppoItmItems,
                                   SAFEARRAY** ppoDeletedDestroyed) {
    return Forward(mpoClient(), [&](CProxy& client) {
        return client.BatchGetTrees(poItmItems, lFlags, lLevels, ppoItmItems, ppoDeletedDestroyed);
    });
}

HRESULT CItmManager::BatchRefreshTrees(SAFEARRAY* poItmItems, LONG lLevels, SAFEARRAY** ppoItmItems,
                                       SAFEARRAY** ppoDeletedDestroyed) {
    return Forward(mpoClient(), [&](CProxy& client) {
        return client.BatchRefreshTrees(poItmItems, lLevels, ppoItmItems, ppoDeletedDestroyed);
    });
}

HRESULT CItmManager::UpdateItemsFromDynLink(SAFEARRAY* poItmItems) {
    return Forward(mpoClient(), [&](CProxy& client) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(changes, client.UpdateItemsFromDynLink(poItmItems));
    });
}

HRESULT CItmManager::CoCreateItem(ItmObjectData* oItmObjectData, IUnknown** ppUnk) {
    return Forward(mpoClient(), [&](CProxy& client) -> HRESULT {
        if (!ppUnk) return E_POINTER;
        *ppUnk = nullptr;
        if (!oItmObjectData) return E_OXN_NULL_VALUE;
        switch (oItmObjectData->meObjectType) {
        case ItmObjectType_ItemFolder:
        case ItmObjectType_Item:
        case ItmObjectType_BOM:
            break;
        default:
            return CLASS_E_NOAGGREGATION;
        }
        com::ComPtr<IItmObject> object;
        HRESULT hr =
            CoCreateInstance(CLSID_ItmObject, nullptr, CLSCTX_ALL, IItmObject::kIid, reinterpret_cast<void**>(&object));
        if (FAILED(hr)) return hr;
        // The connection goes into a copy: the caller's [in] record keeps
        // what it holds. The copy borrows the caller's strings and no
        // reference; Load takes copies of its own.
        ItmObjectData record = *oItmObjectData;
        hr = client.SetItemConnection(&record);
        if (SUCCEEDED(hr)) hr = object->Load(&record, nullptr);
        if (FAILED(hr)) return hr;
        *ppUnk = object.Detach();
        return S_OK;
    });
}

HRESULT CItmManager::ExistInFileCache(IItmObject* poItem, VARIANT_BOOL* pbExists) {
    return Forward(mpoClient(), [&](CProxy& client) { return client.ExistInFileCache(poItem, pbExists); });
}

HRESULT CItmManager::CheckCyclicReferences(SAFEARRAY* poItemsLeft, SAFEARRAY* poItemsRight) {
    return Forward(mpoClient(),
                   [&](CProxy& client) { return client.CheckCyclicReferences(poItemsLeft, poItemsRight); });
}

HRESULT CItmManager::BeginLocalTransaction(ILocalTransactionMgr** ppiTrans) {
    return Forward(mpoClient(), [&](CProxy& client) -> HRESULT {
        if (!ppiTrans) return E_POINTER;
        *ppiTrans = nullptr;
        com::ComPtr<ILocalTransactionMgr> created;
        if (HRESULT hr = CLocalTransactionMgr::mhCreate(client.mpoGetCacheFile(), &created); FAILED(hr)) return hr;
        return created->QueryInterface(ILocalTransactionMgr::kIid, reinterpret_cast<void**>(ppiTrans));
    });
}

HRESULT CItmManager::BatchGetTrees2(SAFEARRAY* poItems, LONG lFlags, LONG lLevels, SAFEARRAY** ppoItmItems,
                                    SAFEARRAY** ppoDeletedDestroyed) {
    return Forward(mpoClient(), [&](CProxy& client) {
        return client.BatchGetTrees2(poItems, lFlags, lLevels, ppoItmItems, ppoDeletedDestroyed);
    });
}

HRESULT CItmManager::Login2(BSTR bsVaultName, BSTR bsUser, BSTR bsPwd, BSTR bsSqlUser, BSTR bsSqlPwd, ULONG ulUserId,
                            LoginDataOut* oLoginResult) {
    return Forward(mpoClient(), [&](CProxy& client) {
        return client.Login2(bsVaultName, bsUser, bsPwd, bsSqlUser, bsSqlPwd, ulUserId, oLoginResult);
    });
}

HRESULT CItmManager::GetItmInfoSupplement(SAFEARRAY** ppoItmInfoSupplement) {
    return Forward(mpoClient(), [&](CProxy& client) { return client.GetItmInfoSupplement(ppoItmInfoSupplement); });
}

HRESULT CItmManager::UpdateCache(SAFEARRAY* poUpdate) {
    return Forward(mpoClient(), [&](CProxy& client) { return client.UpdateCache(poUpdate); });
}

HRESULT CItmManager::ChangeState2(SAFEARRAY* poItmItems, BSTR oTransitionName, VARIANT_BOOL obRevoke,
                                  SAFEARRAY** ppoChangedItmItems) {
    return Forward(mpoVault(), [&](CProxy& vault) {
        CItemChangeEvents changes(mpoClient());
        changes.mvAddFoldersOf(poItmItems);
        return mhAnnounced(
            changes, vault.ChangeState2(poItmItems, oTransitionName, obRevoke == VARIANT_TRUE, ppoChangedItmItems));
    });
}

HRESULT CItmManager::RefreshLocalCache() {
    return Forward(mpoVault(), [&](CProxy& vault) { return vault.RefreshLocalCache(); });
}
