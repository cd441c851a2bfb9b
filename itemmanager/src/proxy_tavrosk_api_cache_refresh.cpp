// The client back end's two cache refreshes built on the vault: the
// transacted cache update (items removed and fetched again in one cache
// transaction) and the dynamic-link update of items
// (IItmManager::UpdateItemsFromDynLink).
//
// The dynamic-link update is the client library's service interface, slot 6
// (ITavroskServices::UpdateDynamicLinks): the one slot both sides use.

#include "proxy_tavrosk_api.h"

#include "bellquist/item_interfaces.h"  // before the conversions, which hold item objects
#include "fetch_arrays.h"
#include "item_list.h"
#include "record_conversions.h"
#include "tavrosk_services.h"
#include "itemstore/item_cache_lock.h"
#include "common/error_codes.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "tavrosk/link_record.h"

#include <map>

using namespace BellquistLib;
using TavroskClientLib::LinkRecord;

namespace {

// The transacted update's fetch: latest, recursive, stored in the cache,
// from the vault alone.
constexpr LONG kTransactedFetchFlags =
    Bgtf_Latest | Bgtf_Recursive | Bgtf_UpdateFileCache | Bgtf_IgnoreInputFromFileCache;

// The link changes the client library reports for one item.
struct ItemLinkChanges {
    ChildList added;
    ChildList removed;
    RefPtr<ChildWithLink> refreshed;  // the item's current dynamic link (the last one reported)
};

// Runs `changes` in the transacted scope `scope`: a failure (raised or
// returned) reverts the transaction and is returned, with error info; else
// the commit's result.
template <class Changes>
HRESULT RunTransacted(CItemCacheFile& file, CItemCacheLock& scope, Changes&& changes) {
    HRESULT hr = com::Boundary(changes);
    if (FAILED(hr)) {
        file.mhRevert(scope);
        return hr;
    }
    return file.mhCommit(scope);
}

}  // namespace

HRESULT CProxyTavroskAPI::mhUpdateCacheTransacted(const std::vector<std::u16string>& keysToRemove,
                                                  const std::vector<CacheUpdateEntry>& itemsToFetch) {
    return com::Boundary([&]() -> HRESULT {
        CItemCacheLock scope(mpoCacheFile, kCacheLockTransacted);
        return RunTransacted(*mpoCacheFile, scope, [&]() -> HRESULT {
            if (!keysToRemove.empty()) {
                if (HRESULT hr = mpoCacheFile->mhDeleteItems(scope, keysToRemove); FAILED(hr)) return hr;
            }
            if (itemsToFetch.empty()) return S_OK;
            RecordArray<ItmObjectData> input;
            input.mvCreate(static_cast<ULONG>(itemsToFetch.size()), LIBID_BellquistLib, kLibraryMajorVersion,
                           kLibraryMinorVersion);
            ItmObjectData* record = input.mpoBegin();
            for (const CacheUpdateEntry& item : itemsToFetch) {
                gvStartItemRecord(*record, item.mlId);
                record->mbIsUpToDate = 1;
                record->mlParentProjectID = item.mlFolderId;
                record->moFilename = SysAllocStringLen(item.mbsName.data(), static_cast<UINT>(item.mbsName.size()));
                if (!record->moFilename) return E_OUTOFMEMORY;
                ++record;
            }
            // The merge's cache store joins this transaction.
            return mhFetchTrees(input.mpoGetArray(), kTransactedFetchFlags, 0, 0, VARIANT_FALSE, nullptr, nullptr,
                                &scope);
        });
    });
}

HRESULT CProxyTavroskAPI::mhSetDynLinkVersions(SAFEARRAY* items) {
    return com::Boundary([&]() -> HRESULT {
        CItemCacheLock scope(mpoCacheFile, kCacheLockDirect);
        ItemList list(items);
        for (LONG index = 0; index < list.mlCount(); ++index) {
            if (list[index].vt != VT_DISPATCH) continue;
            CComPtr<IItmObject> item = gpoItemOf(list[index]);
            if (!item) return E_OXN_NULL_VALUE;
            BSTR name = nullptr;
            if (HRESULT hr = item->get_Name(&name); FAILED(hr)) return hr;
            std::u16string key = name ? std::u16string(name, SysStringLen(name)) : std::u16string();
            SysFreeString(name);
            // An item without a cached children list has no dynamic link
            // either: it is not a failure.
            ChildList children;
            HRESULT hr = mpoCacheFile->mhReadChildren(scope, key, children);
            if (FAILED(hr) && hr != E_OXN_FILE_NOT_FOUND) return hr;
            LONG version = -1;
            for (const RefPtr<ChildWithLink>& child : children) {
                if (child->meLinkType == LinkType_Dynamic) {
                    version = child->mlAttachedVersion;
                    break;
                }
            }
            if (hr = item->put_DynamicFileLinkVersion(version); FAILED(hr)) return hr;
        }
        return S_OK;
    });
}

HRESULT CProxyTavroskAPI::UpdateItemsFromDynLink(SAFEARRAY* items) {
    return com::Boundary([&]() -> HRESULT {
        if (!items) return E_POINTER;
        if (!mpoClient) return E_OXN_NULL_VALUE;
        if (HRESULT hr = mhSetDynLinkVersions(items); FAILED(hr)) return hr;

        SAFEARRAY* converted = nullptr;
        if (HRESULT hr = ghItemsToDataArray(items, &converted); FAILED(hr)) return hr;
        com::OwnedSafeArray records(converted);
        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        com::OwnedSafeArray links = services.mpoUpdateDynamicLinks(records.get());
        if (!links) return S_OK;

        // The changes by item, in name order.
        std::map<std::u16string, ItemLinkChanges> changes;
        {
            RecordArray<LinkRecord> linkRecords(links.get());
            for (const LinkRecord* link = linkRecords.mpoBegin(); link != linkRecords.mpoEnd(); ++link) {
                ItemLinkChanges& item =
                    changes[link->mbsItemName ? std::u16string(link->mbsItemName, SysStringLen(link->mbsItemName))
                                              : std::u16string()];
                RefPtr<ChildWithLink> child = gpoLinkRecordToChild(link);
                if (link->meOperation == LinkOp_New) {
                    item.added.push_back(std::move(child));
                } else if (link->meOperation == LinkOp_Remove) {
                    item.removed.push_back(std::move(child));
                } else {
                    item.refreshed = std::move(child);
                }
            }
        }

        CItemCacheLock scope(mpoCacheFile, kCacheLockTransacted);
        return RunTransacted(*mpoCacheFile, scope, [&]() -> HRESULT {
            for (auto& [name, item] : changes) {
                // An item with only removals (or nothing) to write skips the
                // add, which refuses an empty list; the others still go in.
                if (item.refreshed) item.added.push_back(item.refreshed);
                if (!item.added.empty()) {
                    HRESULT hr = mpoCacheFile->mhAddChildren(scope, name, item.added);
                    if (FAILED(hr)) gvRaiseFailedCall(hr, u"Could not add the item's links to the item cache.");
                }
                if (!item.removed.empty()) {
                    HRESULT hr = mpoCacheFile->mhRemoveChildren(scope, name, item.removed, LinkOp_Remove);
                    if (FAILED(hr))
                        gvRaiseFailedCall(hr, u"Could not mark the item's links removed in the item cache.");
                }
                if (item.added.empty() && item.removed.empty()) continue;
                HRESULT hr = mpoCacheFile->mhTouchItem(scope, name);
                if (FAILED(hr)) gvRaiseFailedCall(hr, u"Could not mark the item changed in the item cache.");
            }
            return S_OK;
        });
    });
}
