// CHalvaranDoc: the document of one main frame. It holds the frame's
// reference to the process's shared vault list and the frame's current
// vault, attaches and logs in to a vault at its first touch, and runs every
// item-manager operation on it, returning failures as HRESULTs with the
// thread's error info set.
//
// The attach lives in halvaran_doc_attach.cpp, the item operations in
// halvaran_doc_items.cpp; the views' side of the class comes with the
// application shell.
#pragma once

#include "explorer/data/cache_obj.h"
#include "explorer/data/tree_node.h"
#include "explorer/data/vault_manager.h"

#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/cstring.h"
#include "ui/framework/document.h"
#include "winapi/types.h"

#include <string>
#include <vector>

class CCache;
struct SAFEARRAY;

class CHalvaranDoc : public CDocument {
public:
    CHalvaranDoc();
    ~CHalvaranDoc() override;

    // Attaches and logs in to the vault of `viewId` unless it is logged in.
    HRESULT attachVault(const GUID& viewId);

    // Item operations, one per item-manager operation, on the vault of a view
    // GUID (or of a tree node's cache). The vault must have been attached;
    // these do not attach it. Each one holds its own references to the vault
    // node and its item manager for the call, returns a failure as its
    // HRESULT with the thread's error info set (never raises), and E_POINTER
    // when the vault is unknown or has no item manager. Item arrays are
    // SAFEARRAYs of VARIANT (VT_DISPATCH IItmObject): an [in] array stays the
    // caller's unless said otherwise; the arrays the item manager returns are
    // destroyed here after use. Apart from mhEnumItemFolder and
    // mhGetMenuInfo they show the wait cursor for the whole call.

    // Lists the children of the node's folder (or item) into the cache and
    // marks it enumerated; a folder's listing also marks it complete.
    HRESULT mhEnumItemFolder(const GUID& viewId, RefPtr<CTreeNode> node);
    // Fetches the trees of `items` (all levels with their parent, else one
    // level each) into the cache under `parent`.
    HRESULT mhBatchGetTrees(const GUID& viewId, SAFEARRAY* items, bool latest, bool withParent,
                            const RefPtr<CCacheObj>* parent);
    // A new item under the parent's folder; with `out`, the item enters the
    // cache and `out` receives its cached object.
    HRESULT mhCreateNewItem(RefPtr<CTreeNode> parent, RefPtr<CCacheObj>* out = nullptr);
    // A new item folder under the parent's folder, which enters the cache;
    // `folder` receives it (a reference for the caller) and `out`, when
    // given, its cached object.
    HRESULT mhCreateNewItemFolder(RefPtr<CTreeNode> parent, BellquistLib::IItmFolder** folder, CString name,
                                  RefPtr<CCacheObj>* out = nullptr);
    // Gets version `version` of `item`'s files, then refreshes the views for
    // the items that came back.
    HRESULT mhGetSpecificVersion(const GUID& viewId, BellquistLib::IItmObject* item, LONG version);
    // Gets the latest version of the items' files, then refreshes the views
    // for the items that came back. S_FALSE when none came back.
    HRESULT mhGetLatestVersion(const GUID& viewId, SAFEARRAY* items, bool silent);
    // Checks the items in (owned by the foreground window), then gets their
    // latest version silently; a failure of that is returned.
    HRESULT mhCheckIn(const GUID& viewId, SAFEARRAY* items);
    // Checks in the BOM `objectId` of the item folder `parentProjectId` in the
    // vault named `vaultName`, then posts a vault event so the open frames
    // refresh that folder's cached items. E_FAIL for an unknown vault or one
    // without an item manager; the check-in's HRESULT otherwise.
    HRESULT mhCheckInBom(const std::u16string& vaultName, LONG parentProjectId, LONG objectId);
    HRESULT mhUndoCheckOut(const GUID& viewId, SAFEARRAY* items);
    HRESULT mhCheckOut(const GUID& viewId, SAFEARRAY* items, VARIANT_BOOL silent);
    // Moves the items through `transition` (revoking it when `revoke`), then
    // gets the latest version of the changed items silently. `refreshed`
    // becomes 0 when that brought items back, else stays 1. On success
    // `items` is destroyed here; on failure it stays the caller's.
    HRESULT mhChangeState(const GUID& viewId, SAFEARRAY* items, CString transition, LONG* refreshed, bool revoke);
    // Links the files of `paths` to the parent's item; the linked objects
    // enter the cache (or update the cached ones) and the parent's cached
    // item takes the item manager's copy of it. On success `out` receives
    // the array of linked objects for the caller to destroy; on failure it
    // is null.
    HRESULT mhLinkFileFromFilePath(RefPtr<CTreeNode> parent, SAFEARRAY* paths, SAFEARRAY** out);
    HRESULT mhDelete(const GUID& viewId, VARIANT_BOOL destroy, SAFEARRAY* items);
    HRESULT mhIncrRevision(const GUID& viewId, SAFEARRAY* items);
    // Generates items from the files in `files` into `destination`; the
    // generated items are appended to `generated` (a null entry for an
    // element that is no item object). The cache is not touched.
    HRESULT mhGenerateItemFromFile(const GUID& viewId, SAFEARRAY* files, BellquistLib::IItmObject* destination,
                                   std::vector<CComPtr<BellquistLib::IItmObject>>& generated);
    // The same from file paths; the cached objects of the generated items
    // are appended to `cached` first.
    HRESULT mhGenerateItemFromFilePath(const GUID& viewId, SAFEARRAY* paths, BellquistLib::IItmObject* destination,
                                       std::vector<RefPtr<CCacheObj>>& cached,
                                       std::vector<CComPtr<BellquistLib::IItmObject>>& generated);
    HRESULT mhRename(const GUID& viewId, BellquistLib::IItmObject* item, CString newName);
    HRESULT mhUpdateItemsFromDynLink(const GUID& viewId, SAFEARRAY* items);
    // Moves the items into `destination`, then places them in the cache
    // under their new folder.
    HRESULT mhMove(const GUID& viewId, BellquistLib::IItmFolder* destination, SAFEARRAY* items);
    // The item manager's GetMenuInfo, its arguments passed through.
    HRESULT mhGetMenuInfo(const GUID& viewId, SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags,
                          ULONG* userRights, SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo,
                          SAFEARRAY** transitionInfo, SAFEARRAY** statusInfo);
    // The vault's cache while it is logged in, else null. Not add-ref'd: it
    // lives as long as the vault manager.
    CCache* GetVaultCache(const GUID& viewId);

    RefPtr<CVaultManager> moVaultManager;
    const GUID* mpoCurrentVault = nullptr;  // Not owned: points into the vault's node.
};
