// The client back end's tree fetch: the cached trees sent along, the client
// library's fetch, the removal of deleted items from the cache, the merge
// and the local versions of the returned files.
//
// Cache scopes: without a lock from the caller, each cache step opens its
// own short scope (a direct one to read, a transacted one to remove), and
// none is held while the client library works or the merge runs; with the
// caller's lock every cache step runs in it, as a second scope on the file
// from this thread would break the first.

#include "proxy_tavrosk_api.h"

#include "bellquist/item_interfaces.h"  // before the conversions, which hold item objects
#include "client_merge_back_end.h"
#include "fetch_arrays.h"
#include "item_object_conversion.h"
#include "record_conversions.h"
#include "itemstore/item_cache_lock.h"
#include "common/error_codes.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "common/record_array.h"
#include "tavrosk/client_interfaces.h"

#include <map>
#include <set>

using namespace BellquistLib;
using TavroskClientLib::ITavroskClient;

namespace {

// The client library's option word for the fetch flags: latest (1) or, when
// not latest, a given version (2); copy metadata (4); respect versions (8);
// input by id only (16).
LONG FetchOptions(LONG flags, LONG getLatest) {
    LONG options = 0;
    if (flags & Bgtf_Latest) {
        options |= 1;
    } else if (getLatest != 0) {
        options |= 2;
    }
    if (flags & Bgtf_CopyMetaData) options |= 4;
    if (flags & Bgtf_RespectVersions) options |= 8;
    if (flags & Bgtf_IdOnlyInput) options |= 16;
    return options;
}

// Item id -> file name over the item records of the lists (a later record
// overrides an earlier one).
void AddItemNames(SAFEARRAY* list, std::map<LONG, std::u16string>& names) {
    if (!list) return;
    RecordArray<ItmObjectData> records(list);
    for (const ItmObjectData* record = records.mpoBegin(); record != records.mpoEnd(); ++record)
        if (record->meObjectType == ItmObjectType_Item) names[record->mlObjectID] = com::BstrText(record->moFilename);
}

// The names of the known items that the deleted list reports, each once.
// Only entries of items count: a file or folder shares its id space with no
// item, so its id must not remove an item that happens to carry the same id.
std::vector<std::u16string> DeletedItemNames(SAFEARRAY* input, SAFEARRAY* cached, SAFEARRAY* deleted) {
    std::vector<std::u16string> found;
    if (!deleted) return found;
    std::map<LONG, std::u16string> names;
    AddItemNames(input, names);
    AddItemNames(cached, names);
    std::set<LONG> taken;
    RecordArray<DelOrDestroyed> entries(deleted);
    for (const DelOrDestroyed* entry = entries.mpoBegin(); entry != entries.mpoEnd(); ++entry) {
        if (entry->meType != ItmObjectType_Item) continue;
        auto name = names.find(entry->mlId);
        if (name != names.end() && taken.insert(entry->mlId).second) found.push_back(name->second);
    }
    return found;
}

}  // namespace

HRESULT CProxyTavroskAPI::mhFetchTrees(SAFEARRAY* input, LONG flags, LONG levels, LONG getLatest, VARIANT_BOOL refresh,
                                       SAFEARRAY** results, SAFEARRAY** deleted, CItemCacheLock* lock) {
    if (results) *results = nullptr;
    if (deleted) *deleted = nullptr;
    return com::Boundary([&]() -> HRESULT {
        CComPtr<ITavroskClient> client(mpoClient);
        if (!client) return E_OXN_NULL_VALUE;

        // The input's cached trees, read in a scope that ends before the
        // library is called.
        com::OwnedSafeArray cached;
        if (!(flags & Bgtf_IgnoreInputFromFileCache)) {
            SAFEARRAY* read = nullptr;
            HRESULT hr;
            if (lock) {
                hr = mhReadCachedTrees(*lock, input, levels, &read);
            } else {
                CItemCacheLock scope(mpoCacheFile, kCacheLockDirect);
                hr = mhReadCachedTrees(scope, input, levels, &read);
            }
            cached.reset(read);
            if (FAILED(hr)) return hr;
        }

        SAFEARRAY* fetchedList = nullptr;
        SAFEARRAY* deletedList = nullptr;
        HRESULT hr =
            client->FetchTrees((flags & Bgtf_Recursive) ? VARIANT_TRUE : VARIANT_FALSE, FetchOptions(flags, getLatest),
                               refresh, levels, input, &fetchedList, cached.get(), &deletedList);
        com::OwnedSafeArray fetched(fetchedList);
        com::OwnedSafeArray deletedOwned(deletedList);
        if (FAILED(hr)) return hr;

        // What the vault no longer has leaves the cache; the result is not
        // checked (the cache is only a copy of the vault).
        std::vector<std::u16string> gone = DeletedItemNames(input, cached.get(), deletedOwned.get());
        if (!gone.empty()) {
            if (lock) {
                mpoCacheFile->mhDeleteItems(*lock, gone);
            } else {
                CItemCacheLock scope(mpoCacheFile, kCacheLockTransacted);
                mpoCacheFile->mhDeleteItems(scope, gone);
            }
        }

        CClientMergeBackEnd mergeBackEnd(*this);
        MergeNs::CMerge merge(input, fetched.get(), flags, moViewGUID, &mergeBackEnd, lock);
        hr = merge.mhMerge(0);
        if (FAILED(hr)) return hr;
        if (results) {
            hr = merge.mhGetResults(results);
            if (FAILED(hr)) return hr;
            gvRefreshFileLocalVersions(client, *results);
        }
        if (deleted) *deleted = deletedOwned.release();
        return S_OK;
    });
}

HRESULT CProxyTavroskAPI::mhReadCachedTrees(CItemCacheLock& lock, SAFEARRAY* input, LONG levels, SAFEARRAY** cached) {
    if (!cached) return E_POINTER;
    *cached = nullptr;
    return com::Boundary([&]() -> HRESULT {
        if (!input) return S_OK;
        // The input's items, and the parent each was given under.
        struct ParentInfo {
            LONG mlParentObjectID;
            ItmObjectType meParentDocType;
            LONG mlConfigID;
            ItmLinkType meLinkType;
            ItmLinkOperation meLinkOperation;
        };
        std::vector<std::u16string> keys;
        std::map<std::u16string, ParentInfo> parents;
        {
            RecordArray<ItmObjectData> records(input);
            for (const ItmObjectData* record = records.mpoBegin(); record != records.mpoEnd(); ++record) {
                if (record->meObjectType != ItmObjectType_Item) continue;
                std::u16string name = com::BstrText(record->moFilename);
                if (record->meParentDocType != 0) {
                    parents[name] = {record->mlParentObjectID, record->meParentDocType, record->mlConfigID,
                                     record->meLinkType, record->meLinkOperation};
                }
                keys.push_back(std::move(name));
            }
        }
        if (keys.empty()) return S_OK;

        ItemTree tree;
        HRESULT hr = mpoCacheFile->mhReadItemTree(lock, keys, static_cast<uint32_t>(levels), tree);
        if (FAILED(hr)) return hr;

        DataRecords kept;
        // Every identity sent so far, children's and items': hashed, as the
        // trees of n items would otherwise cost n scans of the whole list.
        UniqueIDSet identities;
        for (const auto& [item, children] : tree) {
            ItmObjectData* ownRecord = nullptr;
            hr = ghCacheRecordsToData(mpoClient, item, children, identities, kept.list, &ownRecord);
            if (FAILED(hr)) return hr;
            DataRecords own;
            own.list.push_back(ownRecord);
            // Items below the input items come only as children.
            auto parent = parents.find(std::u16string(item->moFileName()));
            if (parent == parents.end()) continue;
            const ParentInfo& info = parent->second;
            ownRecord->mlParentObjectID = info.mlParentObjectID;
            ownRecord->meParentDocType = info.meParentDocType;
            ownRecord->meLinkType = info.meLinkType;
            ownRecord->meLinkOperation = info.meLinkOperation;
            // The item under that parent: an item given twice under one
            // parent is sent once, and items side by side in one folder each
            // keep their record.
            ItmUniqueID identity{ItmObjectType_Item, item->mlObjectID, info.mlParentObjectID, info.mlConfigID};
            if (!identities.insert(identity).second) continue;
            kept.list.push_back(ownRecord);
            own.list.clear();
        }

        RecordArray<ItmObjectData> copy;
        copy.mvCreate(static_cast<ULONG>(kept.list.size()), LIBID_BellquistLib, kLibraryMajorVersion,
                      kLibraryMinorVersion);
        // The strings and connections move into the array.
        ItmObjectData* target = copy.mpoBegin();
        for (ItmObjectData*& record : kept.list) {
            *target++ = *record;
            *record = ItmObjectData{};
        }
        copy.mvHandOut(cached);
        return S_OK;
    });
}
