// The item manager's browsing operations on the client back end: each turns
// its caller's list into ItmObjectData input records and runs the tree fetch
// with the flags, levels, get-latest value and refresh flag of its row of
// the fetch's caller table.

#include "proxy_tavrosk_api.h"

#include "bellquist/item_interfaces.h"  // before the conversions, which hold item objects
#include "fetch_arrays.h"
#include "record_conversions.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "com/method_boundary.h"
#include "common/record_array.h"

using namespace BellquistLib;

namespace {

// BatchRefreshTrees: always recursive, never stored in the cache.
constexpr LONG kRefreshFlags = Bgtf_Recursive;
// UpdateCache's fetch: stored in the cache from the vault alone, missing
// children marked removed, modified now for what is checked out here, with
// metadata; latest through the get-latest value 1.
constexpr LONG kUpdateCacheFlags = Bgtf_UpdateFileCache | Bgtf_IgnoreInputFromFileCache |
                                   Bgtf_MarkMissingChildrenRemoved | Bgtf_SetModifiedNowForMyCheckedOut |
                                   Bgtf_CopyMetaData;

// The item objects of `items` as records, then their tree fetch.
HRESULT FetchItemTrees(CProxyTavroskAPI& backEnd, SAFEARRAY* items, LONG flags, LONG levels, VARIANT_BOOL refresh,
                       SAFEARRAY** fetched, SAFEARRAY** deletedDestroyed) {
    if (!items) return E_POINTER;
    SAFEARRAY* records = nullptr;
    if (HRESULT hr = ghItemsToDataArray(items, &records); FAILED(hr)) return hr;
    com::OwnedSafeArray input(records);
    // Checks that every element holds an item object; the map itself is not
    // needed here.
    ItmObjectMap identities;
    if (HRESULT hr = ghItemsToObjectMap(items, &identities); FAILED(hr)) return hr;
    return backEnd.mhFetchTrees(input.get(), flags, levels, 0, refresh, fetched, deletedDestroyed, nullptr);
}

// A new array of `count` zeroed ItmObjectData records.
void CreateRecords(RecordArray<ItmObjectData>& records, size_t count) {
    records.mvCreate(static_cast<ULONG>(count), LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
}

}  // namespace

HRESULT CProxyTavroskAPI::BatchGetTrees(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** fetched,
                                        SAFEARRAY** deletedDestroyed) {
    return com::Boundary(
        [&] { return FetchItemTrees(*this, items, flags, levels, VARIANT_FALSE, fetched, deletedDestroyed); });
}

HRESULT CProxyTavroskAPI::BatchRefreshTrees(SAFEARRAY* items, LONG levels, SAFEARRAY** fetched,
                                            SAFEARRAY** deletedDestroyed) {
    return com::Boundary(
        [&] { return FetchItemTrees(*this, items, kRefreshFlags, levels, VARIANT_TRUE, fetched, deletedDestroyed); });
}

HRESULT CProxyTavroskAPI::BatchGetTrees2(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** fetched,
                                         SAFEARRAY** deletedDestroyed) {
    return com::Boundary([&] {
        // No list asks for nothing: the fetch gets an empty one.
        std::vector<ItemDataIn> wanted;
        if (items) {
            RecordArray<ItemDataIn> given(items);
            wanted.assign(given.mpoBegin(), given.mpoEnd());
        }
        RecordArray<ItmObjectData> input;
        CreateRecords(input, wanted.size());
        ItmObjectData* record = input.mpoBegin();
        for (const ItemDataIn& item : wanted) {
            gvStartItemRecord(*record, item.mlId);
            record->mlLocalVersion = item.mlVersion;
            if (item.mbsName) {
                record->moFilename = SysAllocStringLen(item.mbsName, SysStringLen(item.mbsName));
                if (!record->moFilename) return E_OUTOFMEMORY;
            }
            ++record;
        }
        return mhFetchTrees(input.mpoGetArray(), flags | Bgtf_IdOnlyInput, levels, 0, VARIANT_FALSE, fetched,
                            deletedDestroyed, nullptr);
    });
}

HRESULT CProxyTavroskAPI::UpdateCache(SAFEARRAY* updates) {
    return com::Boundary([&]() -> HRESULT {
        if (!updates) return E_POINTER;
        // Version -1: the item is removed and fetched again in one cache
        // transaction; any other version: fetched into the cache.
        std::vector<std::u16string> keysToRemove;
        std::vector<CacheUpdateEntry> itemsToRefetch;
        struct Wanted {
            LONG mlId;
            LONG mlFolderId;
            LONG mlVersion;
        };
        std::vector<Wanted> itemsToFetch;
        {
            RecordArray<CacheUpdate> records(updates);
            for (const CacheUpdate* update = records.mpoBegin(); update != records.mpoEnd(); ++update) {
                if (update->mlVersion == -1) {
                    itemsToRefetch.push_back(goToCacheUpdateEntry(*update));
                    keysToRemove.push_back(itemsToRefetch.back().mbsName);
                } else {
                    itemsToFetch.push_back({update->mlId, update->mlFolderId, update->mlVersion});
                }
            }
        }
        if (!keysToRemove.empty()) {
            if (HRESULT hr = mhUpdateCacheTransacted(keysToRemove, itemsToRefetch); FAILED(hr)) return hr;
        }
        if (itemsToFetch.empty()) return S_OK;

        RecordArray<ItmObjectData> input;
        CreateRecords(input, itemsToFetch.size());
        ItmObjectData* record = input.mpoBegin();
        for (const Wanted& item : itemsToFetch) {
            gvStartItemRecord(*record, item.mlId);
            record->mlParentProjectID = item.mlFolderId;
            record->mlLocalVersion = item.mlVersion;
            ++record;
        }
        HRESULT hr =
            mhFetchTrees(input.mpoGetArray(), kUpdateCacheFlags, 0, 1, VARIANT_FALSE, nullptr, nullptr, nullptr);
        return FAILED(hr) ? hr : S_OK;
    });
}
