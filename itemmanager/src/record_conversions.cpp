// Item objects to ItmObjectData records, to their identity map and to the
// link of a new item folder; the check of new links.
#include "record_conversions.h"

#include "item_list.h"

#include "common/error_codes.h"
#include "itemstore/itm_link_manager_private.h"
#include "itemstore/itm_object_data.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "com/method_boundary.h"
#include "com/task_memory.h"
#include "common/record_array.h"

#include <cstring>

using namespace BellquistLib;

namespace {

// The link pair of an item, file or BOM through its own GetLinkData.
template <class I>
HRESULT ReadLinkData(IItmObject* item, ItmObjectData* record) {
    CComPtr<I> typed;
    if (HRESULT hr = item->QueryInterface(I::kIid, reinterpret_cast<void**>(&typed)); FAILED(hr)) return hr;
    ItmLinkData* data = nullptr;
    if (HRESULT hr = typed->GetLinkData(&data); FAILED(hr)) return hr;
    if (!data) return E_OXN_NULL_VALUE;
    record->meLinkType = data->meLinkType;
    record->meLinkOperation = data->meLinkOperation;
    CoTaskMemFree(data);
    return S_OK;
}

template <class I>
HRESULT ReadConfigID(IItmObject* item, LONG* configID) {
    CComPtr<I> typed;
    if (HRESULT hr = item->QueryInterface(I::kIid, reinterpret_cast<void**>(&typed)); FAILED(hr)) return hr;
    return typed->get_ConfigID(configID);
}

HRESULT FillFromObject(IItmObject* item, ItmObjectData* r) {
    HRESULT hr = S_OK;
    if (FAILED(hr = item->get_ParentID(&r->mlParentObjectID))) return hr;
    if (FAILED(hr = item->get_ParentType(&r->meParentDocType))) return hr;
    if (FAILED(hr = item->get_Type(&r->meObjectType))) return hr;
    switch (r->meObjectType) {
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        r->meLinkType = LinkType_BOM;
        r->meLinkOperation = LinkOp_None;
        break;
    case ItmObjectType_Item:
        hr = ReadLinkData<IItmItem>(item, r);
        break;
    case ItmObjectType_File:
        hr = ReadLinkData<IItmFile>(item, r);
        break;
    case ItmObjectType_BOM:
        hr = ReadLinkData<IItmBOM>(item, r);
        break;
    default:
        break;
    }
    if (FAILED(hr)) return hr;
    if (FAILED(hr = item->get_ID(&r->mlObjectID))) return hr;
    if (FAILED(hr = item->get_ParentProjectID(&r->mlParentProjectID))) return hr;
    if (FAILED(hr = item->get_AttachedVersion(&r->mlAttachedVersion))) return hr;
    if (FAILED(hr = item->get_LocalVersion(&r->mlLocalVersion))) return hr;
    if (FAILED(hr = item->get_LatestVersion(&r->mlLatestVersion))) return hr;
    if (FAILED(hr = item->get_Name(&r->moFilename))) return hr;
    if (FAILED(hr = item->get_Path(&r->moPath))) return hr;
    if (FAILED(hr = item->get_State(&r->moState))) return hr;
    if (FAILED(hr = item->get_LockedBy(&r->moLockedBy))) return hr;
    if (FAILED(hr = item->get_UserID(&r->mlLockedBy))) return hr;
    if (FAILED(hr = item->get_TavroskAPI(&r->mpoConnection))) return hr;
    if (r->meObjectType == ItmObjectType_File) hr = ReadConfigID<IItmFile>(item, &r->mlConfigID);
    if (r->meObjectType == ItmObjectType_BOM) hr = ReadConfigID<IItmBOM>(item, &r->mlConfigID);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = item->get_LinkedFileName(&r->mbsLinkedFile))) return hr;
    if (FAILED(hr = item->get_ItemObjectFlags(&r->mlItmObjectFlags))) return hr;
    if (FAILED(hr = item->get_IsDirty(&r->mbIsDirty))) return hr;
    return item->get_DynamicFileLinkVersion(&r->mlDynLinkedFileVersion);
}

}  // namespace

HRESULT ghItmObjectToData(IItmObject* item, ItmObjectData* record) {
    if (!item || !record) return E_OXN_NULL_VALUE;
    std::memset(record, 0, sizeof *record);
    record->mlConfigID = -1;
    record->mbIsUpToDate = 1;
    HRESULT hr = FillFromObject(item, record);
    if (FAILED(hr)) {
        // What was read so far is not left behind in a record that failed.
        gvFreeItmObjectData(record);
        std::memset(record, 0, sizeof *record);
    }
    return hr;
}

HRESULT ghItemsToDataArray(SAFEARRAY* items, SAFEARRAY** records) {
    if (!items || !records) return E_OXN_NULL_VALUE;
    return com::Boundary([&]() -> HRESULT {
        ItemList list(items);
        RecordArray<ItmObjectData> made;
        made.mvCreate(static_cast<ULONG>(list.mlCount()), LIBID_BellquistLib, kLibraryMajorVersion,
                      kLibraryMinorVersion);
        ItmObjectData* record = made.mpoBegin();
        for (LONG i = 0; i < list.mlCount(); ++i, ++record) {
            CComPtr<IItmObject> item = gpoItemOf(list[i]);
            if (!item) return E_OXN_NULL_VALUE;
            // The array's destruction clears the records made so far.
            if (HRESULT hr = ghItmObjectToData(item, record); FAILED(hr)) return hr;
        }
        made.mvHandOut(records);
        return S_OK;
    });
}

HRESULT ghItemsToObjectMap(SAFEARRAY* items, ItmObjectMap* map) {
    if (!items || !map) return E_OXN_NULL_VALUE;
    map->clear();
    return com::Boundary([&]() -> HRESULT {
        ItemList list(items);
        for (LONG i = 0; i < list.mlCount(); ++i) {
            CComPtr<IItmObject> item = gpoItemOf(list[i]);
            if (!item) return E_OXN_NULL_VALUE;
            ItmUniqueID key{};
            if (!gbReadUniqueIDOf(item, &key)) return E_OXN_NULL_VALUE;
            (*map)[key] = item;
        }
        return S_OK;
    });
}

HRESULT ghItmObjectToItmLink(CComPtr<IItmObject> object, ItmLink** link) {
    if (!object || !link) return E_POINTER;
    *link = nullptr;
    ItmUniqueID* id = nullptr;
    if (HRESULT hr = object->GetUniqueID(&id); FAILED(hr)) return hr;
    if (!id) return E_OXN_NULL_VALUE;
    auto* made = static_cast<ItmLink*>(CoTaskMemAlloc(sizeof(ItmLink)));
    if (made) {
        made->meObjectType = id->meObjectType;
        made->mlObjectID = id->mlObjectID;
        made->mlParentID = id->mlParentID;
        made->mlConfigID = id->mlConfigID;
        made->meLinkType = LinkType_BOM;
        made->meLinkOperation = LinkOp_None;
    }
    CoTaskMemFree(id);
    if (!made) return E_OUTOFMEMORY;
    *link = made;
    return S_OK;
}

HRESULT ghCheckNewLinks(SAFEARRAY* records, IItmObject* item) {
    if (!records || !item) return E_OXN_NULL_VALUE;
    return com::Boundary([&]() -> HRESULT {
        CComPtr<IItmLinkManager> manager;
        if (HRESULT hr = item->get_LinkManager(&manager); FAILED(hr)) return hr;
        VARIANT_BOOL hasDynamic = VARIANT_FALSE;
        if (HRESULT hr = manager->HasDynamicLink(&hasDynamic); FAILED(hr)) return hr;
        CComPtr<IPrivateItmLinkManager> privateManager;
        manager->QueryInterface(IPrivateItmLinkManager::kIid, reinterpret_cast<void**>(&privateManager));

        RecordArray<ItmObjectData> links(records);
        int dynamic = 0;
        bool invalid = false;
        for (ItmObjectData* link = links.mpoBegin(); link != links.mpoEnd(); ++link) {
            switch (link->meLinkType) {
            case LinkType_Dynamic:
                ++dynamic;
                break;
            case LinkType_Static:
            case LinkType_BOM:
                break;
            default:
                invalid = true;
                break;
            }
            if (privateManager) {
                VARIANT_BOOL has = VARIANT_FALSE;
                if (HRESULT hr = privateManager->HasLink(link, &has); FAILED(hr)) return hr;
                if (has == VARIANT_TRUE) return E_ITEM_LINK_DUPLICATED;
            }
        }
        if (invalid) return E_ITEM_INVALID_LINK_TYPE;
        if (dynamic > 1 || (dynamic == 1 && hasDynamic != VARIANT_FALSE)) return E_ITEM_MANY_DYN_LINKS;
        return S_OK;
    });
}
