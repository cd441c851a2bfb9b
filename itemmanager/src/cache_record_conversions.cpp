// Records of the item cache and of the client library's dynamic-link update
// to the back end's records, and the entries of a cache update.
#include "item_object_conversion.h"
#include "record_conversions.h"

#include "itemstore/itm_object_data.h"

#include "com/bstr.h"
#include "com/task_memory.h"

#include <cstring>

using namespace BellquistLib;

namespace {

// A fresh 200-byte task-memory record (configuration -1, up to date) filled
// from `cached`, with one reference on `client`; null when out of memory.
ItmObjectData* NewRecordFrom(const RefPtr<ItemObject>& cached, IUnknown* client) {
    auto* record = static_cast<ItmObjectData*>(CoTaskMemAlloc(sizeof(ItmObjectData)));
    if (!record) return nullptr;
    std::memset(record, 0, sizeof *record);
    record->mlConfigID = -1;
    record->mbIsUpToDate = 1;
    if (FAILED(ghCacheRecordToData(cached, record))) {
        gvFreeItmObjectData(record);
        CoTaskMemFree(record);
        return nullptr;
    }
    record->mpoConnection = client;
    if (client) client->AddRef();
    record->meLinkType = static_cast<ItmLinkType>(cached->meLinkType);
    record->meLinkOperation = static_cast<ItmLinkOperation>(cached->meLinkOperation);
    return record;
}

void FreeRecord(ItmObjectData* record) {
    gvFreeItmObjectData(record);
    CoTaskMemFree(record);
}

template <class T>
T ReadAt(const void* record, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const BYTE*>(record) + offset, sizeof value);
    return value;
}

}  // namespace

void gvFreeDataRecords(DataRecordList& records) {
    for (ItmObjectData* record : records) FreeRecord(record);
    records.clear();
}

HRESULT ghCacheRecordsToData(IUnknown* client, const RefPtr<ItemObject>& item,
                             const std::vector<RefPtr<ChildWithLink>>& children, UniqueIDSet& keys,
                             DataRecordList& records, ItmObjectData** own) {
    if (!item || !own) return E_POINTER;
    *own = nullptr;
    for (const RefPtr<ChildWithLink>& child : children) {
        if (!child) continue;
        const ItmUniqueID key = goMakeUniqueID(static_cast<ItmObjectType>(child->meObjectType), child->mlObjectID,
                                               item->mlObjectID, child->mlConfigID);
        if (keys.contains(key)) continue;
        ItmObjectData* record = NewRecordFrom(child, client);
        if (!record) return E_OUTOFMEMORY;
        record->mlParentObjectID = item->mlObjectID;
        record->meParentDocType = static_cast<ItmObjectType>(item->meObjectType);
        keys.insert(key);
        records.push_back(record);
    }
    *own = NewRecordFrom(item, client);
    return *own ? S_OK : E_OUTOFMEMORY;
}

CacheUpdateEntry goToCacheUpdateEntry(const CacheUpdate& update) {
    CacheUpdateEntry entry;
    entry.mlId = update.mlId;
    entry.mlFolderId = update.mlFolderId;
    if (update.mbsName) entry.mbsName.assign(update.mbsName, SysStringLen(update.mbsName));
    return entry;
}

RefPtr<ChildWithLink> gpoLinkRecordToChild(const void* linkRecord) {
    if (!linkRecord) return nullptr;
    RefPtr<ChildWithLink> child(new ChildWithLink);
    child->mlObjectID = ReadAt<int32_t>(linkRecord, 12);
    child->mlParentProjectID = ReadAt<int32_t>(linkRecord, 16);
    child->mlAttachedVersion = ReadAt<int32_t>(linkRecord, 20);
    child->mlConfigID = ReadAt<int32_t>(linkRecord, 24);
    child->meObjectType = ReadAt<int32_t>(linkRecord, 28);
    child->mdModifiedDate = ReadAt<DATE>(linkRecord, 32);
    const BSTR name = ReadAt<BSTR>(linkRecord, 40);
    const BSTR path = ReadAt<BSTR>(linkRecord, 48);
    if (name) child->mvSetFileName({name, SysStringLen(name)});
    if (path) child->mvSetPath({path, SysStringLen(path)});
    child->meLinkType = ReadAt<int32_t>(linkRecord, 56);
    child->meLinkOperation = ReadAt<int32_t>(linkRecord, 60);
    child->meInitialLinkType = ReadAt<int32_t>(linkRecord, 64);
    child->meInitialLinkOperation = ReadAt<int32_t>(linkRecord, 68);
    // The library marks a file changed locally by an attached version of -1.
    if (child->mlAttachedVersion == -1) child->mlDirty = 1;
    return child;
}
