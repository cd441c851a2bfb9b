// The client back end's item operations: the listing of a folder, new items
// and item folders, move, rename, the cyclic-reference check, the existence
// of an item in the cache, and the menu information and information
// supplement, each through the client library's service calls
// (tavrosk_services.h) and the item cache.

#include "proxy_tavrosk_api.h"

#include "bellquist/item_interfaces.h"  // before the conversions, which hold item objects
#include "client_merge_back_end.h"
#include "item_list.h"
#include "record_conversions.h"
#include "tavrosk_services.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/itm_object_private.h"
#include "itemstore/itm_object_records.h"
#include "common/error_codes.h"
#include "itemstore/itm_object_data.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_names.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/error_info.h"
#include "com/ccom_ptr.h"
#include "com/ccom_variant.h"
#include "com/method_boundary.h"
#include "com/runtime.h"
#include "com/task_memory.h"
#include "com/variant.h"
#include "common/record_array.h"
#include "winapi/shell_paths.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

using namespace BellquistLib;

namespace {

// The tree fetch of the cyclic-reference check: latest, every level below.
constexpr LONG kCyclicCheckFlags = Bgtf_Latest | Bgtf_Recursive;

// ID, Type and, when asked, Path of an object; the first failing read
// returns its HRESULT.
struct ObjectIdentity {
    LONG id = 0;
    ItmObjectType type = ItmObjectType_Undefined;
    _bstr_t path;
};

HRESULT ReadIdentity(IItmObject* object, ObjectIdentity& identity, bool withPath) {
    if (HRESULT hr = object->get_ID(&identity.id); FAILED(hr)) return hr;
    if (withPath) {
        if (HRESULT hr = object->get_Path(identity.path.GetAddress()); FAILED(hr)) return hr;
    }
    return object->get_Type(&identity.type);
}

bool IsVaultOrItemFolder(ItmObjectType type) { return type == ItmObjectType_Vault || type == ItmObjectType_ItemFolder; }

// The object's link manager, or null when it has none (the description
// such an object leaves is not this operation's).
CComPtr<IItmLinkManager> LinkManagerOf(IItmObject* object) {
    CComPtr<IItmLinkManager> manager;
    if (SUCCEEDED(object->get_LinkManager(&manager))) return manager;
    SetErrorInfo(0, nullptr);
    return nullptr;
}

// Borrows `text`: the VARIANT must not be cleared.
VARIANT TextValue(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

// The listed items checked out to this view take what the cache knows of
// them: its dirty flag, and whether they have live children when the
// library saw none.
void MarkCheckedOutItems(const RefPtr<CItemCacheFile>& cacheFile, SAFEARRAY* listed, const GUID& viewGUID) {
    RecordArray<ItmObjectData> records(listed);
    ItmObjectData* const begin = records.mpoBegin();
    ItmObjectData* const end = records.mpoEnd();
    auto checkedOutHere = [&](const ItmObjectData& record) {
        return record.meObjectType == ItmObjectType_Item && record.moLockViewID == viewGUID;
    };
    bool any = false;
    for (const ItmObjectData* record = begin; record != end && !any; ++record) any = checkedOutHere(*record);
    if (!any) return;

    CItemCacheLock lock(cacheFile, kCacheLockDirect);
    for (ItmObjectData* record = begin; record != end; ++record) {
        if (!checkedOutHere(*record)) continue;
        // An item the cache does not hold reads as clean, without children.
        const std::u16string_view name = com::BstrView(record->moFilename);
        uint32_t dirty = 0;
        cacheFile->mhGetItemDirty(lock, name, dirty);
        record->mbIsDirty = dirty ? VARIANT_TRUE : VARIANT_FALSE;
        if (record->mbHasChildren == 0) {
            uint32_t hasLive = 0;
            cacheFile->mhHasLiveChildren(lock, name, hasLive);
            record->mbHasChildren = hasLive ? VARIANT_TRUE : VARIANT_FALSE;
        }
    }
}

// The item objects' ids of the given type in a list of item objects;
// E_OXN_NULL_VALUE for an element without one.
HRESULT CollectIds(SAFEARRAY* list, ItmObjectType type, std::set<LONG>& ids) {
    ItemList items(list);
    for (LONG i = 0; i < items.mlCount(); ++i) {
        CComPtr<IItmObject> object = gpoItemOf(items[i]);
        if (!object) return E_OXN_NULL_VALUE;
        ItmObjectType objectType = ItmObjectType_Undefined;
        if (HRESULT hr = object->get_Type(&objectType); FAILED(hr)) return hr;
        if (objectType != type) continue;
        LONG id = 0;
        if (HRESULT hr = object->get_ID(&id); FAILED(hr)) return hr;
        ids.insert(id);
    }
    return S_OK;
}

// The name a renamed object is sent with: an item's name ends in the item
// extension, which is appended when its extension is another.
std::u16string NameToSend(ItmObjectType type, BSTR name) {
    std::u16string sent(com::BstrView(name));
    if (type == ItmObjectType_Item && std::u16string_view(PathFindExtensionW(sent.c_str())) != kItemExtension)
        sent += kItemExtension;
    return sent;
}

}  // namespace

HRESULT CProxyTavroskAPI::EnumItemFolder(IItmObject** folder, SAFEARRAY** items) {
    if (items) *items = nullptr;
    return com::Boundary([&]() -> HRESULT {
        if (!folder || !*folder) return E_OXN_NULL_VALUE;
        if (!items) return E_POINTER;
        IItmObject* object = *folder;
        ObjectIdentity identity;
        if (HRESULT hr = ReadIdentity(object, identity, true); FAILED(hr)) return hr;
        if (!IsVaultOrItemFolder(identity.type)) return E_ITEM_INVALID_ITEM_TYPE;
        if (identity.type == ItmObjectType_Vault) {
            // An object without a connection answers a failure.
            CComPtr<IUnknown> connection;
            if (FAILED(object->get_TavroskAPI(&connection)) || !connection) {
                CComQIPtr<IItmObjectPrivate> privateObject(object);
                if (!privateObject) return E_OXN_NULL_VALUE;
                VARIANT client;
                VariantInit(&client);
                client.vt = VT_UI8;
                client.ullVal = reinterpret_cast<uintptr_t>(static_cast<IUnknown*>(mpoClient));
                if (HRESULT hr = privateObject->PutProperty(ItmProperty_Connection, client); FAILED(hr)) return hr;
            }
        }

        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        com::OwnedSafeArray listed = services.mpoListFolder(identity.id, identity.type, identity.path);
        if (listed) MarkCheckedOutItems(mpoCacheFile, listed.get(), moViewGUID);

        // The folder is the merge's input: the listed records hang below it.
        RecordArray<ItmObjectData> input;
        input.mvCreate(1, LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
        if (HRESULT hr = ghItmObjectToData(object, input.mpoBegin()); FAILED(hr)) return hr;
        CClientMergeBackEnd mergeBackEnd(*this);
        MergeNs::CMerge merge(input.mpoGetArray(), listed.get(), 0, moViewGUID, &mergeBackEnd, nullptr);
        merge.mhMerge(1);  // the objects are good even when a link was refused
        return merge.mhGetResults(items);
    });
}

HRESULT CProxyTavroskAPI::CreateNewItem(IItmObject* parent, IItmItem** newItem) {
    if (newItem) *newItem = nullptr;
    return com::Boundary([&]() -> HRESULT {
        if (!parent || !newItem) return E_OXN_NULL_VALUE;
        ObjectIdentity identity;
        if (HRESULT hr = ReadIdentity(parent, identity, false); FAILED(hr)) return hr;
        if (!IsVaultOrItemFolder(identity.type)) return E_ITEM_INVALID_TARGET;

        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        OwnedItmObjectData record = services.mpoCreateNewItem(identity.id, identity.type);
        if (!record) return E_POINTER;
        CComPtr<IItmObject> created;
        if (HRESULT hr = mhCreateItmObject(record.get(), &created, mpoCacheFile, parent, nullptr); FAILED(hr))
            return hr;
        CComQIPtr<IItmItem> item(created);
        if (!item) return E_ITEM_INVALID_OBJECT;  // the library's record is no item
        record.reset();

        if (CComPtr<IItmLinkManager> links = LinkManagerOf(parent)) {
            ItmLink link{};
            if (HRESULT hr = ghMakeItmLink(item, LinkOp_Undefined, &link); FAILED(hr)) return hr;
            if (HRESULT hr = links->AddLink(&link); FAILED(hr)) return hr;
        }

        {
            CItemCacheLock lock(mpoCacheFile, kCacheLockDirect);
            RefPtr<ChildWithLink> cached = goMakeChildWithLink(item, false);
            if (!cached) return E_ITEM_INVALID_OBJECT;
            if (HRESULT hr = mpoCacheFile->mhWriteItem(lock, RefPtr<ItemObject>(cached.get())); FAILED(hr)) return hr;
        }
        *newItem = item.Detach();
        return S_OK;
    });
}

HRESULT CProxyTavroskAPI::CreateNewItemFolder(IItmObject* parent, BSTR name, IItmFolder** newFolder) {
    if (newFolder) *newFolder = nullptr;
    return com::Boundary([&]() -> HRESULT {
        if (!parent || !name || !newFolder) return E_OXN_NULL_VALUE;
        ObjectIdentity identity;
        if (HRESULT hr = ReadIdentity(parent, identity, true); FAILED(hr)) return hr;

        CTavroskFolders folders(mpoClient);
        if (!folders) return E_OXN_NULL_VALUE;
        _bstr_t storedName;
        const LONG newID = folders.mlCreateNewItemFolder(identity.id, name, storedName);

        std::u16string path(com::BstrView(identity.path));
        while (!path.empty() && path.back() == u'\\') path.pop_back();
        path += u'\\';
        path += com::BstrView(name);
        path += u'\\';

        // The record borrows its strings and the connection; the load
        // copies them.
        ItmObjectData record{};
        record.mlParentObjectID = identity.id;
        record.mlParentProjectID = identity.id;
        record.meParentDocType = identity.type;
        record.meObjectType = ItmObjectType_ItemFolder;
        record.mlObjectID = newID;
        _bstr_t folderPath(path.c_str());
        record.moFilename = storedName;
        record.moPath = folderPath;
        record.mlConfigID = -1;
        record.moLockViewID = moViewGUID;
        record.mpoConnection = mpoClient;
        record.mbIsUpToDate = 1;
        CComPtr<IItmFolder> folder;
        if (HRESULT hr = CoCreateInstance(CLSID_ItmFolder, nullptr, CLSCTX_ALL, IItmFolder::kIid,
                                          reinterpret_cast<void**>(&folder));
            FAILED(hr))
            return hr;
        if (HRESULT hr = folder->Load(&record, nullptr); FAILED(hr)) return hr;

        if (CComPtr<IItmLinkManager> links = LinkManagerOf(parent)) {
            ItmLink* link = nullptr;
            if (HRESULT hr = ghItmObjectToItmLink(CComPtr<IItmObject>(folder), &link); FAILED(hr)) return hr;
            HRESULT hr = links->AddLink(link);
            CoTaskMemFree(link);
            if (FAILED(hr)) return hr;
        }
        *newFolder = folder.Detach();
        return S_OK;
    });
}

HRESULT CProxyTavroskAPI::Move(SAFEARRAY* items, IItmFolder* destination) {
    return com::Boundary([&]() -> HRESULT {
        if (!items || !destination) return E_OXN_NULL_VALUE;
        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        ObjectIdentity target;
        if (HRESULT hr = destination->get_ID(&target.id); FAILED(hr)) return hr;
        if (HRESULT hr = destination->get_Path(target.path.GetAddress()); FAILED(hr)) return hr;
        {
            SAFEARRAY* converted = nullptr;
            if (HRESULT hr = ghItemsToXRefRoots(items, false, &converted); FAILED(hr)) return hr;
            com::OwnedSafeArray roots(converted);
            services.mvMove(roots.get(), target.id);
        }

        const CComVariant parentProject(target.id);
        const VARIANT folderPath = TextValue(target.path);
        ItemList list(items);
        for (LONG i = 0; i < list.mlCount(); ++i) {
            CComQIPtr<IItmObjectPrivate> object(gpoItemOf(list[i]));
            if (!object) return E_OXN_NULL_VALUE;
            if (HRESULT hr = object->PutProperty(ItmProperty_ParentProjectID, parentProject); FAILED(hr)) return hr;
            if (HRESULT hr = object->PutProperty(ItmProperty_FolderPath, folderPath); FAILED(hr)) return hr;
        }
        return S_OK;
    });
}

HRESULT CProxyTavroskAPI::Rename(IItmObject* object, BSTR newName) {
    return com::Boundary([&]() -> HRESULT {
        if (!object || !newName) return E_POINTER;
        ObjectIdentity identity;
        if (HRESULT hr = ReadIdentity(object, identity, false); FAILED(hr)) return hr;
        if (identity.type != ItmObjectType_ItemFolder && identity.type != ItmObjectType_Item &&
            identity.type != ItmObjectType_BOM)
            return E_ITEM_INVALID_SOURCE;
        _bstr_t oldName;
        if (HRESULT hr = object->get_Name(oldName.GetAddress()); FAILED(hr)) return hr;
        ItmObjectType parentType = ItmObjectType_Undefined;
        if (HRESULT hr = object->get_ParentType(&parentType); FAILED(hr)) return hr;
        LONG parentID = 0;
        HRESULT hr = S_OK;
        switch (parentType) {
        case ItmObjectType_Vault:
        case ItmObjectType_ItemFolder:
            hr = object->get_ParentID(&parentID);
            break;
        case ItmObjectType_Item:
            hr = object->get_ParentProjectID(&parentID);
            break;
        default:
            return E_ITEM_INVALID_OBJECT;
        }
        if (FAILED(hr)) return hr;

        const std::u16string sent = NameToSend(identity.type, newName);
        if (sent.find(u'\\') != std::u16string::npos) return E_OXN_INVALID_NAME;
        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        _bstr_t sentName(sent.c_str());
        services.mvRename(identity.id, parentID, identity.type, sentName);

        // The object, its links and the cache record take the name as sent,
        // so that an item stays addressed by a name with its extension.
        CComQIPtr<IItmObjectPrivate> privateObject(object);
        if (!privateObject) return E_OXN_NULL_VALUE;
        if (hr = privateObject->PutProperty(ItmProperty_Filename, TextValue(sentName)); FAILED(hr)) return hr;
        if (CComPtr<IItmLinkManager> links = LinkManagerOf(object)) {
            if (hr = links->SetParentName(object); FAILED(hr)) return hr;
        }
        if (identity.type != ItmObjectType_Item) return S_OK;
        // Renaming a record to its own name would gain nothing.
        if (com::BstrView(oldName) == std::u16string_view(sent)) return S_OK;
        CItemCacheLock lock(mpoCacheFile, kCacheLockDirect);
        return mpoCacheFile->mhRenameItem(lock, com::BstrView(oldName), sent);
    });
}

HRESULT CProxyTavroskAPI::CheckCyclicReferences(SAFEARRAY* itemsLeft, SAFEARRAY* itemsRight) {
    return com::Boundary([&]() -> HRESULT {
        if (!itemsLeft || !itemsRight) return S_OK;
        std::set<LONG> leftItems;
        if (HRESULT hr = CollectIds(itemsLeft, ItmObjectType_Item, leftItems); FAILED(hr)) return hr;
        SAFEARRAY* fetchedList = nullptr;
        HRESULT hr = BatchGetTrees(itemsRight, kCyclicCheckFlags, 0, &fetchedList, nullptr);
        com::OwnedSafeArray fetched(fetchedList);
        if (FAILED(hr)) return hr;
        std::set<LONG> rightItems;
        if (fetched) {
            if (hr = CollectIds(fetched.get(), ItmObjectType_Item, rightItems); FAILED(hr)) return hr;
        }
        for (LONG id : leftItems)
            if (rightItems.contains(id)) return E_ITEM_CYCLIC_REFERENCE;
        return S_OK;
    });
}

HRESULT CProxyTavroskAPI::ExistInFileCache(IItmObject* item, VARIANT_BOOL* exists) {
    return com::Boundary([&]() -> HRESULT {
        if (!item || !exists) return E_POINTER;
        *exists = VARIANT_FALSE;
        _bstr_t name;
        if (HRESULT hr = item->get_Name(name.GetAddress()); FAILED(hr)) return hr;
        CItemCacheLock lock(mpoCacheFile, kCacheLockDirect);
        HRESULT hr = mpoCacheFile->mhItemExists(lock, com::BstrView(name));
        if (hr == S_OK) *exists = VARIANT_TRUE;
        return hr == S_OK || hr == S_FALSE ? S_OK : hr;
    });
}

HRESULT CProxyTavroskAPI::GetMenuInfo(SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags, ULONG* userRights,
                                      SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo, SAFEARRAY** transitionInfo,
                                      SAFEARRAY** statusInfo) {
    return com::Boundary([&]() -> HRESULT {
        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        SAFEARRAY* converted = nullptr;
        if (HRESULT hr = ghItemsToUniqueDocuments(documents, &converted); FAILED(hr)) return hr;
        com::OwnedSafeArray list(converted);
        HRESULT hr = services.mhGetMenuInfo(list.get(), infoToReturn, enableFlags, userRights, userSystemRights,
                                            versionInfo, transitionInfo, statusInfo);
        if (HRESULT destroyed = SafeArrayDestroy(list.release()); FAILED(destroyed)) return destroyed;
        return hr;
    });
}

HRESULT CProxyTavroskAPI::GetItmInfoSupplement(SAFEARRAY** supplement) {
    return com::Boundary([&]() -> HRESULT {
        if (!supplement) return E_POINTER;
        *supplement = nullptr;
        CTavroskServices services(mpoClient);
        if (!services) return E_OXN_NULL_VALUE;
        return services.mhGetItmInfoSupplement(supplement);
    });
}
