// MergeNs::CMerge: construction, the merge's passes over the fetched list
// and the results. The links into the objects: merge_links.cpp; the cache
// store: merge_cache_store.cpp.
#include "itemstore/merge.h"

#include "merge_data.h"

#include "itemstore/item_cache_file.h"

#include "bellquist/enums.h"
#include "com/method_boundary.h"
#include "com/ole_date.h"
#include "com/safearray.h"
#include "common/record_array.h"
#include "winapi/system_time.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>

using namespace BellquistLib;

namespace MergeNs {

namespace {

bool Contains(const std::vector<int32_t>& ids, int32_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The parent item id of an object key: the parent when it is an item, else 0.
int32_t ParentItemID(const ItmObjectData& record) {
    return record.meParentDocType == ItmObjectType_Item ? record.mlParentObjectID : 0;
}

IdentityKey LinkIdentity(const ItmObjectData& record) {
    return {record.meObjectType, record.mlObjectID, glIdentityConfigID(record)};
}

// Collects the link to `record`'s object in `parent`, once per child identity.
void CollectLink(ItemData& parent, const ItmObjectData& record) {
    if (!parent.moLinkIdentities.insert(LinkIdentity(record)).second) return;
    parent.moLinks.push_back(ItmLink{record.meObjectType, record.mlObjectID, record.mlParentObjectID, record.mlConfigID,
                                     record.meLinkType, record.meLinkOperation});
}

// The current UTC time as a DATE.
DATE UtcNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    DATE date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

}  // namespace

bool MemoryOrder::operator()(const ObjectKey& a, const ObjectKey& b) const noexcept {
    return std::memcmp(a.data(), b.data(), sizeof(ObjectKey)) < 0;
}
bool MemoryOrder::operator()(const IdentityKey& a, const IdentityKey& b) const noexcept {
    return std::memcmp(a.data(), b.data(), sizeof(IdentityKey)) < 0;
}

int32_t glIdentityConfigID(const ItmObjectData& record) {
    return record.meObjectType == ItmObjectType_File || record.meObjectType == ItmObjectType_BOM ? record.mlConfigID
                                                                                                 : -1;
}

CMerge::CMerge(SAFEARRAY* input, SAFEARRAY* fetched, int32_t flags, const GUID& viewGUID, IMergeBackEnd* backEnd,
               CItemCacheLock* lock)
    : mpoInput(input), mpoFetched(fetched), mlFlags(flags), moViewGUID(viewGUID), mpoBackEnd(backEnd), mpoLock(lock) {}

CMerge::~CMerge() = default;

HRESULT CMerge::mhMerge(int mode) {
    if (!mpoBackEnd) return E_POINTER;
    HRESULT hr = com::Boundary([&] {
        // A null fetched list counts as empty, like a null input list.
        std::span<ItmObjectData> records;
        std::unique_ptr<RecordArray<ItmObjectData>> borrowed;
        if (mpoFetched) {
            borrowed = std::make_unique<RecordArray<ItmObjectData>>(mpoFetched);
            records = std::span<ItmObjectData>(borrowed->mpoBegin(), static_cast<size_t>(borrowed->mlGetCount()));
        }
        mvMarkCheckedOut(records);
        mvReadInputSets();
        mvCreateObjects(records);
        mvCollectLinks(records);
        mvAddLinksToObjects(mode);
        return S_OK;
    });
    if (FAILED(hr)) return hr;
    if (mlFlags & Bgtf_UpdateFileCache) hr = mhStoreInCache();
    // Refused links are reported once the merge is otherwise through, so
    // that nothing after it overwrites the thread's error info.
    if (hr == S_OK) mvReportRefusedLinks();
    return hr;
}

void CMerge::mvMarkCheckedOut(std::span<ItmObjectData> records) {
    if (!(mlFlags & Bgtf_SetModifiedNowForMyCheckedOut)) return;
    bool haveNow = false;
    DATE now = 0;
    for (ItmObjectData& record : records) {
        if (record.mlAttachedVersion != record.mlLatestVersion &&
            std::memcmp(&record.moLockViewID, &moViewGUID, sizeof(GUID)) == 0) {
            if (!haveNow) {
                now = UtcNow();
                haveNow = true;
            }
            record.moModified = now;
            record.mbIsDirty = VARIANT_TRUE;
        } else {
            record.mlLocalVersion = record.mlAttachedVersion;
            record.mbIsDirty = VARIANT_FALSE;
        }
    }
}

void CMerge::mvReadInputSets() {
    if (!mpoInput) return;
    RecordArray<ItmObjectData> input(mpoInput);
    for (const ItmObjectData* record = input.mpoBegin(); record != input.mpoEnd(); ++record) {
        if (record->meObjectType == ItmObjectType_Vault || record->meObjectType == ItmObjectType_ItemFolder)
            moInputFolders.push_back(record->mlObjectID);
        else if (record->meObjectType == ItmObjectType_Item)
            moInputItems.push_back(record->mlObjectID);
    }
}

void CMerge::mvCreateObjects(std::span<ItmObjectData> records) {
    const RefPtr<CItemCacheFile> cacheFile = mpoBackEnd->mpoGetCacheFile();
    IUnknown* connection = mpoBackEnd->mpoGetClientObject();
    const std::u16string_view viewPath = mpoBackEnd->moGetViewPath();
    for (ItmObjectData& record : records) {
        CComPtr<IItmObject> object;
        HRESULT hr = mpoBackEnd->mhCreateItmObject(&record, &object, cacheFile, nullptr, connection);
        if (FAILED(hr) || !object) continue;
        try {
            mvKeepObject(record, object, viewPath);
        } catch (const std::bad_alloc&) {
            // The record is skipped; objects not kept are released with `object`.
        }
    }
}

void CMerge::mvKeepObject(const ItmObjectData& record, IItmObject* object, std::u16string_view viewPath) {
    switch (record.meObjectType) {
    case ItmObjectType_Item:
    case ItmObjectType_File:
    case ItmObjectType_BOM: {
        const int32_t config = glIdentityConfigID(record);
        const ObjectKey key{record.meObjectType, record.mlObjectID, config, ParentItemID(record)};
        if (moObjects.count(key)) return;  // the first record of a key wins
        auto data = std::make_shared<ItemData>();
        data->moObject = object;
        const IdentityKey identityKey{record.meObjectType, record.mlObjectID, config};
        auto identity = moIdentities.find(identityKey);
        if (identity == moIdentities.end()) {
            auto created = std::make_shared<ItemAndFileData>();
            if (mlFlags != 0 && record.meObjectType == ItmObjectType_Item &&
                Contains(moInputItems, record.mlObjectID)) {
                created->moCacheRecord = goMakeCacheItem(record, viewPath);
            }
            identity = moIdentities.emplace(identityKey, std::move(created)).first;
        }
        identity->second->moObjects.push_back(data);
        // Entered last: an allocation failure before leaves no object
        // that the links could not reach.
        moObjects.emplace(key, std::move(data));
        return;
    }
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder: {
        if (!Contains(moInputFolders, record.mlObjectID) && !Contains(moInputFolders, record.mlParentProjectID)) return;
        const ObjectKey key{ItmObjectType_ItemFolder, record.mlObjectID, -1, 0};
        if (moFolders.count(key)) return;
        auto data = std::make_shared<ItemData>();
        data->moObject = object;
        moFolders.emplace(key, std::move(data));
        return;
    }
    default:
        return;  // no other kind is merged
    }
}

void CMerge::mvCollectLinks(std::span<ItmObjectData> records) {
    const std::u16string_view viewPath = mpoBackEnd->moGetViewPath();
    for (const ItmObjectData& record : records) {
        if (record.meParentDocType == ItmObjectType_Item) {
            auto parent = moIdentities.find(IdentityKey{ItmObjectType_Item, record.mlParentObjectID, -1});
            if (parent != moIdentities.end()) {
                ItemAndFileData& identity = *parent->second;
                for (const std::shared_ptr<ItemData>& data : identity.moObjects) CollectLink(*data, record);
                if (identity.moCacheRecord) {
                    if (RefPtr<ChildWithLink> child = goMakeCacheChild(record, viewPath))
                        identity.moChildren.push_back(child);
                }
            }
        }
        auto folder = moFolders.find(ObjectKey{ItmObjectType_ItemFolder, record.mlParentProjectID, -1, 0});
        if (folder != moFolders.end()) CollectLink(*folder->second, record);
    }
}

HRESULT CMerge::mhGetResults(SAFEARRAY** results) {
    if (!results) return E_POINTER;
    *results = nullptr;
    const size_t count = moObjects.size() + moFolders.size();
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count));
    if (!array) return E_OUTOFMEMORY;
    if (count != 0) {
        VARIANT* values = nullptr;
        HRESULT hr = SafeArrayAccessData(array, reinterpret_cast<void**>(&values));
        if (FAILED(hr)) {
            SafeArrayDestroy(array);
            return hr;
        }
        for (const auto* map : {&moObjects, &moFolders}) {
            for (const auto& [key, data] : *map) {
                IItmObject* object = data->moObject;
                object->AddRef();
                values->vt = VT_DISPATCH;
                values->pdispVal = object;
                ++values;
            }
        }
        SafeArrayUnaccessData(array);
    }
    *results = array;
    return S_OK;
}

}  // namespace MergeNs
