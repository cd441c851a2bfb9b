// The document's item operations: each one runs one item-manager operation
// on the vault of a view GUID (or of a tree node's cache) and feeds what came
// back into the vault's cache or into a refresh of the views.
//
// Every operation follows one pattern, run by ghRunOnVault / ghRunOnNodeVault:
// find the vault node and take references of its own to the node and its item
// manager (a vault reset that arrives in a modal loop inside the call then
// cannot free the manager under it); call the manager; a failure is raised
// with the manager's error info (ItemOperationTarget::Check) and caught at the
// operation's boundary, which sets the thread's error info and returns the
// HRESULT.
#include "explorer/data/halvaran_doc.h"

#include "explorer/data/application_link.h"
#include "explorer/data/cache.h"
#include "explorer/data/com_error_raising.h"
#include "explorer/data/itm_manager2.h"

#include "item_array_objects.h"
#include "item_helpers.h"
#include "get_versions_refresh.h"

#include "common/com_errors.h"

#include "bellquist/manager_interfaces.h"
#include "bellquist/records.h"
#include "com/bstr_t.h"
#include "com/method_boundary.h"
#include "com/owned_safearray.h"
#include "com/safearray.h"
#include "ui/framework/wait_cursor.h"
#include "ui/window_functions.h"
#include "ui/window_value.h"

using BellquistLib::IItmFolder;
using BellquistLib::IItmItem;
using BellquistLib::IItmManager;
using BellquistLib::IItmManager2;
using BellquistLib::IItmObject;

namespace {

// What one operation works on, each held by a reference of the operation's
// own for the whole call.
struct ItemOperationTarget {
    RefPtr<CVaultNode> node;
    CComPtr<IItmManager> manager;

    // The vault's cache; a node without one cannot take what the manager
    // returned (E_POINTER).
    CCache& Cache() const {
        if (!node->mpoCache) _com_issue_error(E_POINTER);
        return *node->mpoCache;
    }

    // Raises a failed call of the item manager with its error info.
    void Check(HRESULT hr) const { gvCheckCall(hr, manager); }

    // Runs `call(&array)`, a manager call with an [out] item array, and
    // raises its failure; the array is owned by the result on every path
    // (null when the call returned none).
    template <class Call>
    com::OwnedSafeArray CheckArrayCall(Call&& call) const {
        SAFEARRAY* got = nullptr;
        const HRESULT hr = call(&got);
        com::OwnedSafeArray array(got);
        Check(hr);
        return array;
    }
};

// The vault node of `viewId` with its item manager; false (E_POINTER for the
// caller) when the document has no vault manager, the vault is unknown or it
// holds no item manager.
bool gbFindTarget(const RefPtr<CVaultManager>& vaults, const GUID& viewId, ItemOperationTarget& target) {
    if (!vaults) return false;
    target.node = vaults->FindVaultNode(viewId);
    if (!target.node || !target.node->mpoItmManager) return false;
    target.manager = target.node->mpoItmManager;
    return true;
}

// The cached object of a tree node, whose item object the operation works
// on; null when the node, its cached object or its item is missing.
CCacheObj* NodeObject(const RefPtr<CTreeNode>& node) {
    if (!node || !node->moCacheObj || !node->moCacheObj->moInner || !node->moCacheObj->moInner->mpoItem) return nullptr;
    return node->moCacheObj.get();
}

// The vault of a tree node: the one whose view GUID the cache of the node's
// cached object carries.
bool gbFindNodeTarget(const RefPtr<CVaultManager>& vaults, const RefPtr<CTreeNode>& node, ItemOperationTarget& target) {
    CCacheObj* object = NodeObject(node);
    if (!object || !object->moInner->mpoCache) return false;
    return gbFindTarget(vaults, object->moInner->mpoCache->moViewID, target);
}

// Runs `operation(target)` on the vault of `viewId` inside the operation's
// boundary; E_POINTER when there is no such vault with an item manager.
template <class Operation>
HRESULT ghRunOnVault(const RefPtr<CVaultManager>& vaults, const GUID& viewId, Operation&& operation) {
    return com::Boundary([&]() -> HRESULT {
        ItemOperationTarget target;
        if (!gbFindTarget(vaults, viewId, target)) return E_POINTER;
        return operation(target);
    });
}

// The same on the vault of a tree node's cached object.
template <class Operation>
HRESULT ghRunOnNodeVault(const RefPtr<CVaultManager>& vaults, const RefPtr<CTreeNode>& node, Operation&& operation) {
    return com::Boundary([&]() -> HRESULT {
        ItemOperationTarget target;
        if (!gbFindNodeTarget(vaults, node, target)) return E_POINTER;
        return operation(target);
    });
}

// The parent window the manager's check-in dialogs are owned by.
LONG ForegroundWindowValue() { return ui::WindowValue(GetForegroundWindow()); }

// The elements of an item array; 0 for none. An array that cannot be read
// raises.
LONG ElementCount(SAFEARRAY* items) { return items ? ItemArrayObjects(items).Count() : 0; }

// Appends the item objects of `items` to `generated`, each with a reference
// of its own, in array order; an element that is no item object gives a
// null entry.
void AppendItemObjects(SAFEARRAY* items, std::vector<CComPtr<IItmObject>>& generated) {
    ItemArrayObjects elements(items);
    for (LONG i = 0; i < elements.Count(); ++i) generated.push_back(elements.ObjectAt(i));
}

}  // namespace

HRESULT CHalvaranDoc::mhEnumItemFolder(const GUID& viewId, RefPtr<CTreeNode> node) {
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        CCacheObj* object = NodeObject(node);
        if (!object) return E_POINTER;
        const RefPtr<CCacheObjInner> inner = object->moInner;

        // The folder goes in and may come back as another instance; the
        // cache keeps its own.
        IItmObject* folder = inner->mpoItem;
        folder->AddRef();
        CComPtr<IItmObject> returned;
        const com::OwnedSafeArray children = target.CheckArrayCall([&](SAFEARRAY** listed) {
            const HRESULT hr = target.manager->EnumItemFolder(&folder, listed);
            returned.Attach(folder);
            return hr;
        });

        inner->mbEnumerated = 1;
        if (!children) return S_OK;
        CCache& cache = target.Cache();
        if (inner->meType == BellquistLib::ItmObjectType_Item) {
            // An item's listing comes as trees.
            if (HRESULT added = cache.mhAddTrees(children.get(), false, nullptr); FAILED(added)) return added;
            return S_OK;
        }
        // A folder's listing is complete only when every child entered the
        // cache.
        if (HRESULT added = cache.mhAddObjects(children.get()); FAILED(added)) return added;
        inner->mbComplete = 1;
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhBatchGetTrees(const GUID& viewId, SAFEARRAY* items, bool latest, bool withParent,
                                      const RefPtr<CCacheObj>* parent) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        const LONG flags = (latest ? BellquistLib::Bgtf_Latest : 0) | (withParent ? 0 : BellquistLib::Bgtf_Recursive);
        const LONG levels = withParent ? -1 : 0;
        const com::OwnedSafeArray trees = target.CheckArrayCall(
            [&](SAFEARRAY** fetched) { return target.manager->BatchGetTrees(items, flags, levels, fetched, nullptr); });
        if (!trees) return S_OK;
        if (HRESULT added = target.Cache().mhAddTrees(trees.get(), withParent, parent); FAILED(added)) return added;
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhCreateNewItem(RefPtr<CTreeNode> parent, RefPtr<CCacheObj>* out) {
    CWaitCursor wait;
    if (out) *out = nullptr;
    return ghRunOnNodeVault(moVaultManager, parent, [&](ItemOperationTarget& target) -> HRESULT {
        CComPtr<IItmItem> created;
        target.Check(target.manager->CreateNewItem(NodeObject(parent)->moInner->mpoItem, &created));
        if (!out || !created) return S_OK;
        // A new item is complete as it comes.
        if (HRESULT added = target.Cache().mhAddObject(created, true, false, out); FAILED(added)) return added;
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhCreateNewItemFolder(RefPtr<CTreeNode> parent, IItmFolder** folder, CString name,
                                            RefPtr<CCacheObj>* out) {
    CWaitCursor wait;
    if (out) *out = nullptr;
    if (!folder) return E_POINTER;
    *folder = nullptr;
    return ghRunOnNodeVault(moVaultManager, parent, [&](ItemOperationTarget& target) -> HRESULT {
        const _bstr_t folderName(name.GetString());
        CComPtr<IItmFolder> created;
        target.Check(target.manager->CreateNewItemFolder(NodeObject(parent)->moInner->mpoItem, folderName, &created));
        if (created) {
            // Its children are not known yet: it stays incomplete until listed.
            if (HRESULT added = target.Cache().mhAddObject(created, false, false, out); FAILED(added)) return added;
        }
        *folder = created.Detach();
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhGetSpecificVersion(const GUID& viewId, IItmObject* item, LONG version) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        // The document is the only owner of the returned array: the refresh
        // reads it, and it is destroyed here on every path.
        const com::OwnedSafeArray returned = target.CheckArrayCall(
            [&](SAFEARRAY** got) { return target.manager->GetSpecificVersion(item, version, got); });
        if (!returned) return S_OK;
        if (HRESULT refreshed = ghRunGetVersionsRefresh(target.Cache(), returned.get()); FAILED(refreshed))
            return refreshed;
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhGetLatestVersion(const GUID& viewId, SAFEARRAY* items, bool silent) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        // The only owner of the returned array, as above.
        const com::OwnedSafeArray returned = target.CheckArrayCall([&](SAFEARRAY** got) {
            return target.manager->GetLatestVersion(items, got, silent ? VARIANT_TRUE : VARIANT_FALSE, VARIANT_TRUE);
        });
        // No array at all counts as nothing returned, with nothing to refresh.
        if (!returned) return S_FALSE;
        // The views are refreshed for an empty list too.
        if (HRESULT refreshed = ghRunGetVersionsRefresh(target.Cache(), returned.get()); FAILED(refreshed))
            return refreshed;
        return ElementCount(returned.get()) == 0 ? S_FALSE : S_OK;
    });
}

HRESULT CHalvaranDoc::mhCheckIn(const GUID& viewId, SAFEARRAY* items) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->CheckIn(items, ForegroundWindowValue()));
        // The vault changed even when this fails: only the explorer's copy
        // is stale then.
        if (HRESULT got = mhGetLatestVersion(viewId, items, true); FAILED(got)) return got;
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhCheckInBom(const std::u16string& vaultName, LONG parentProjectId, LONG objectId) {
    CWaitCursor wait;
    return com::Boundary([&]() -> HRESULT {
        if (!moVaultManager) return E_FAIL;
        ItemOperationTarget target;
        target.node = moVaultManager->FindVaultNodeByName(vaultName);
        if (!target.node || !target.node->mpoItmManager) return E_FAIL;
        target.manager = target.node->mpoItmManager;

        BellquistLib::ItmObjectData record{};
        record.meObjectType = BellquistLib::ItmObjectType_BOM;
        record.mlObjectID = objectId;
        record.mlParentProjectID = parentProjectId;
        record.mlConfigID = -1;
        record.mbHasChildren = 0;
        record.mbIsUpToDate = -1;
        CComPtr<IUnknown> created;
        target.Check(target.manager->CoCreateItem(&record, &created));
        if (!created) _com_issue_error(E_POINTER);
        CComQIPtr<IItmObject> bom(created);
        if (!bom) _com_issue_error(E_NOINTERFACE);

        SAFEARRAY* made = nullptr;
        CheckHResult(ItemsToSafeArray({bom.GetInterfacePtr()}, &made));
        com::OwnedSafeArray items(made);
        const HRESULT checkedIn = target.manager->CheckIn(items.get(), ForegroundWindowValue());
        target.Check(checkedIn);
        gvPostVaultEvent(vaultName, parentProjectId);
        return checkedIn;
    });
}

HRESULT CHalvaranDoc::mhUndoCheckOut(const GUID& viewId, SAFEARRAY* items) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->UndoCheckOut(items, ForegroundWindowValue()));
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhCheckOut(const GUID& viewId, SAFEARRAY* items, VARIANT_BOOL silent) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->CheckOut(items, silent));
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhChangeState(const GUID& viewId, SAFEARRAY* items, CString transition, LONG* refreshed,
                                    bool revoke) {
    CWaitCursor wait;
    if (!refreshed) return E_POINTER;
    *refreshed = 1;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        const _bstr_t name(transition.GetString());
        SAFEARRAY* got = nullptr;
        const CComPtr<IItmManager2> manager2 = QueryItmManager2(target.manager);
        const HRESULT hr = manager2 ? manager2->ChangeState2(items, name, revoke ? VARIANT_TRUE : VARIANT_FALSE, &got)
                                    : target.manager->ChangeState(items, name, &got);
        // The changed items are destroyed here on every path.
        com::OwnedSafeArray changed(got);
        if (manager2)
            gvCheckCall(hr, manager2);
        else
            target.Check(hr);
        if (ElementCount(changed.get()) > 0) {
            const HRESULT latest = mhGetLatestVersion(viewId, changed.get(), true);
            if (FAILED(latest)) return latest;  // `items` stays the caller's
            *refreshed = latest == S_FALSE ? 1 : 0;
        }
        SafeArrayDestroy(items);
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhLinkFileFromFilePath(RefPtr<CTreeNode> parent, SAFEARRAY* paths, SAFEARRAY** out) {
    CWaitCursor wait;
    if (!out) return E_POINTER;
    *out = nullptr;
    return ghRunOnNodeVault(moVaultManager, parent, [&](ItemOperationTarget& target) -> HRESULT {
        CCacheObj* object = NodeObject(parent);

        IItmObject* parentItem = object->moInner->mpoItem;
        parentItem->AddRef();
        CComPtr<IItmObject> returnedParent;
        com::OwnedSafeArray linked = target.CheckArrayCall([&](SAFEARRAY** got) {
            const HRESULT hr = target.manager->LinkFileFromFilePath(paths, &parentItem, got);
            returnedParent.Attach(parentItem);
            return hr;
        });

        HRESULT result = S_OK;
        if (ElementCount(linked.get()) > 0) result = target.Cache().mhAddOrUpdateObjects(linked.get(), nullptr);
        // The manager's copy of the parent carries the new links; the cached
        // instance takes its data so every holder sees them. The same
        // instance coming back has nothing to give.
        if (returnedParent && returnedParent != object->moInner->mpoItem) object->mvUpdateFrom(returnedParent, false);
        if (FAILED(result)) return result;
        *out = linked.release();
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhDelete(const GUID& viewId, VARIANT_BOOL destroy, SAFEARRAY* items) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->Delete(destroy, items));
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhIncrRevision(const GUID& viewId, SAFEARRAY* items) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->IncrRevision(items));
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhGenerateItemFromFile(const GUID& viewId, SAFEARRAY* files, IItmObject* destination,
                                             std::vector<CComPtr<IItmObject>>& generated) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        const com::OwnedSafeArray items = target.CheckArrayCall(
            [&](SAFEARRAY** got) { return target.manager->GenerateItemFromFile(files, destination, got); });
        if (items) AppendItemObjects(items.get(), generated);
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhGenerateItemFromFilePath(const GUID& viewId, SAFEARRAY* paths, IItmObject* destination,
                                                 std::vector<RefPtr<CCacheObj>>& cached,
                                                 std::vector<CComPtr<IItmObject>>& generated) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        const com::OwnedSafeArray items = target.CheckArrayCall(
            [&](SAFEARRAY** got) { return target.manager->GenerateItemFromFilePath(paths, destination, got); });
        if (!items) return S_OK;
        target.Cache().mvFindObjects(items.get(), cached);
        AppendItemObjects(items.get(), generated);
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhRename(const GUID& viewId, IItmObject* item, CString newName) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        const _bstr_t name(newName.GetString());
        target.Check(target.manager->Rename(item, name));
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhUpdateItemsFromDynLink(const GUID& viewId, SAFEARRAY* items) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->UpdateItemsFromDynLink(items));
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhMove(const GUID& viewId, IItmFolder* destination, SAFEARRAY* items) {
    CWaitCursor wait;
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->Move(items, destination));
        target.Cache().mvAfterMove(items);
        return S_OK;
    });
}

HRESULT CHalvaranDoc::mhGetMenuInfo(const GUID& viewId, SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags,
                                    ULONG* userRights, SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo,
                                    SAFEARRAY** transitionInfo, SAFEARRAY** statusInfo) {
    return ghRunOnVault(moVaultManager, viewId, [&](ItemOperationTarget& target) -> HRESULT {
        target.Check(target.manager->GetMenuInfo(documents, infoToReturn, enableFlags, userRights, userSystemRights,
                                                 versionInfo, transitionInfo, statusInfo));
        return S_OK;
    });
}

CCache* CHalvaranDoc::GetVaultCache(const GUID& viewId) {
    if (!moVaultManager || !moVaultManager->IsVaultLoggedIn(viewId)) return nullptr;
    const RefPtr<CVaultNode> node = moVaultManager->FindVaultNode(viewId);
    return node ? node->mpoCache : nullptr;
}
