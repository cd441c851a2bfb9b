// CItmLinkManager: creation, the queries of IItmLinkManager and the private
// interface.
#include "itemstore/itm_link_manager.h"

#include "owner_cache.h"

#include "itemstore/item_cache_file.h"
#include "common/error_codes.h"
#include "itm_link_rules.h"
#include "itemstore/itm_object_data.h"

#include "common/record_array.h"
#include "com/bstr.h"
#include "com/method_boundary.h"

#include <algorithm>

using namespace BellquistLib;

namespace {

// The owner's attached version when its record cannot be read.
constexpr LONG kNotCachedVersion = -2;

VARIANT_BOOL AsVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// Writes what GetFirstChildID and GetNextChildID give for `link`.
void GiveChild(const CLinkData& link, ItmObjectType* type, LONG* id, LONG* configID) {
    const ItmUniqueID& child = link.moChild;
    if (type) *type = child.meObjectType;
    if (id) *id = child.mlObjectID;
    if (configID) {
        const bool configured = child.meObjectType == ItmObjectType_File || child.meObjectType == ItmObjectType_BOM;
        *configID = configured ? child.mlConfigID : -1;
    }
}

}  // namespace

CItmLinkManager::CItmLinkManager() = default;
CItmLinkManager::~CItmLinkManager() = default;

HRESULT CItmLinkManager::mhInit(IItmObject* owner, VARIANT_BOOL hasChildren) {
    if (!owner) return E_OXN_NULL_VALUE;
    BSTR name = nullptr;
    HRESULT hr = owner->get_Name(&name);
    if (FAILED(hr)) return hr;
    moCurrent.moOwnerName.assign(name ? name : u"", name ? SysStringLen(name) : 0);
    SysFreeString(name);
    moCurrent.moOwner = goGetUniqueIDOf(owner);
    moCurrent.mbHasUnloadedChildren = AsVariantBool(hasChildren != VARIANT_FALSE);
    return S_OK;
}

HRESULT CItmLinkManager::mhInitForFolder(IItmObject* owner, VARIANT_BOOL hasChildren) {
    return mhInit(owner, hasChildren);
}

HRESULT CItmLinkManager::mhInitForItem(IItmObject* owner, const RefPtr<CItemCacheFile>& cacheFile,
                                       VARIANT_BOOL hasChildren) {
    if (!owner || !cacheFile) return E_OXN_NULL_VALUE;
    HRESULT hr = mhInit(owner, hasChildren);
    if (SUCCEEDED(hr)) mpoCacheFile = cacheFile;
    return hr;
}

OwnerCache CItmLinkManager::mhOwnerCache(int mode) {
    return OwnerCache(mbInTransaction ? mpoTransaction.get() : nullptr, mpoCacheFile, mode);
}

HRESULT CItmLinkManager::GetLinkCount(ItmLinkType linkType, LONG* count) {
    if (!count) return E_POINTER;
    if (linkType == LinkType_All) {
        *count = static_cast<LONG>(moCurrent.moLinks.size());
    } else if (linkType == LinkType_Dynamic) {
        *count = moCurrent.mbHasDynamicLink() ? 1 : 0;
    } else {
        *count =
            static_cast<LONG>(std::count_if(moCurrent.moLinks.begin(), moCurrent.moLinks.end(),
                                            [&](const auto& entry) { return entry.second.meLinkType == linkType; }));
    }
    return S_OK;
}

HRESULT CItmLinkManager::HasDynamicLink(VARIANT_BOOL* hasDynamicLink) {
    if (!hasDynamicLink) return E_POINTER;
    *hasDynamicLink = AsVariantBool(moCurrent.mbHasDynamicLink());
    return S_OK;
}

HRESULT CItmLinkManager::HasUnloadedChildren(VARIANT_BOOL* hasUnloadedChildren) {
    if (!hasUnloadedChildren) return E_POINTER;
    *hasUnloadedChildren = moCurrent.mbHasUnloadedChildren;
    return S_OK;
}

HRESULT CItmLinkManager::SetHasUnloadedChildren(VARIANT_BOOL hasUnloadedChildren) {
    const VARIANT_BOOL value = AsVariantBool(hasUnloadedChildren != VARIANT_FALSE);
    if (moCurrent.mbHasUnloadedChildren == value) return S_FALSE;
    moCurrent.mbHasUnloadedChildren = value;
    return S_OK;
}

HRESULT CItmLinkManager::GetLinkOperation(IItmObject* object, ItmLinkOperation* operation) {
    if (!object || !operation) return E_OXN_NULL_VALUE;
    const ItmUniqueID id = goGetUniqueIDOf(object);
    const CLinkData* link = moCurrent.mpoFind(goMakeTableKey(id.meObjectType, id.mlObjectID, id.mlConfigID));
    *operation = link ? link->meLinkOperation : LinkOp_Undefined;
    return S_OK;
}

HRESULT CItmLinkManager::GetLinkType(IItmObject* object, ItmLinkType* type) {
    if (!object || !type) return E_OXN_NULL_VALUE;
    const ItmUniqueID id = goGetUniqueIDOf(object);
    const CLinkData* link = moCurrent.mpoFind(goMakeTableKey(id.meObjectType, id.mlObjectID, id.mlConfigID));
    *type = link ? link->meLinkType : LinkType_Undefined;
    return S_OK;
}

HRESULT CItmLinkManager::GetLinksID(SAFEARRAY** ids) {
    if (!ids) return E_POINTER;
    *ids = nullptr;  // the explorer reads a null array as "no links"
    if (moCurrent.moLinks.empty()) return S_OK;
    return com::Boundary([&] {
        RecordArray<ItmUniqueID> array;
        array.mvCreate(static_cast<ULONG>(moCurrent.moLinks.size()), LIBID_BellquistLib, kLibraryMajorVersion,
                       kLibraryMinorVersion);
        ItmUniqueID* out = array.mpoBegin();
        for (const auto& [key, link] : moCurrent.moLinks) {
            HRESULT hr = link.mhToUniqueID(out++);
            if (FAILED(hr)) return hr;
        }
        array.mvHandOut(ids);
        return S_OK;
    });
}

HRESULT CItmLinkManager::GetLinks(ItmLinkType linkType, SAFEARRAY** links) {
    if (linkType == LinkType_Undefined) return E_ITEM_INVALID_LINK_TYPE;
    if (!links) return E_POINTER;
    *links = nullptr;
    return com::Boundary([&] {
        std::vector<const CLinkData*> chosen;
        for (const auto& [key, link] : moCurrent.moLinks) {
            if (linkType == LinkType_All || link.meLinkType == linkType) chosen.push_back(&link);
        }
        RecordArray<ItmLink> array;
        array.mvCreate(static_cast<ULONG>(chosen.size()), LIBID_BellquistLib, kLibraryMajorVersion,
                       kLibraryMinorVersion);
        ItmLink* out = array.mpoBegin();
        for (const CLinkData* link : chosen) {
            HRESULT hr = link->mhToItmLink(out++);
            if (FAILED(hr)) return hr;
        }
        array.mvHandOut(links);
        return S_OK;
    });
}

HRESULT CItmLinkManager::IsDirty(VARIANT_BOOL* isDirty) {
    if (!isDirty) return E_POINTER;
    const bool dirty = std::any_of(moCurrent.moLinks.begin(), moCurrent.moLinks.end(),
                                   [](const auto& entry) { return gbIsLinkDirty(entry.second); });
    *isDirty = AsVariantBool(dirty);
    return S_OK;
}

HRESULT CItmLinkManager::GetFirstChildID(ItmObjectType* type, LONG* id, LONG* configID) {
    if (moCurrent.moLinks.empty()) return S_FALSE;
    GiveChild(moCurrent.moLinks.begin()->second, type, id, configID);
    return S_OK;
}

HRESULT CItmLinkManager::GetNextChildID(ItmObjectType currentType, LONG currentID, ItmObjectType* type, LONG* id,
                                        LONG* configID) {
    auto current = moCurrent.moLinks.find(goMakeTableKey(currentType, currentID, configID ? *configID : -1));
    if (current == moCurrent.moLinks.end()) return S_FALSE;
    auto next = std::next(current);
    if (next == moCurrent.moLinks.end()) return S_FALSE;
    GiveChild(next->second, type, id, configID);
    return S_OK;
}

HRESULT CItmLinkManager::GetLocalVersion(LONG* version) {
    if (!version) return E_OXN_NULL_VALUE;
    VARIANT_BOOL dirty = VARIANT_FALSE;
    IsDirty(&dirty);
    if (dirty) {
        *version = -1;
        return S_OK;
    }
    *version = kNotCachedVersion;
    if (!mpoCacheFile) return S_OK;
    RefPtr<ItemObject> record;
    if (SUCCEEDED(mhOwnerCache(kCacheLockDirect).mhReadItem(moCurrent.moOwnerName, record)) && record) {
        *version = record->mlAttachedVersion;
    }
    return S_OK;
}

HRESULT CItmLinkManager::SetParentName(IItmObject* parent) {
    if (!parent) return E_OXN_NULL_VALUE;
    BSTR name = nullptr;
    HRESULT hr = parent->get_Name(&name);
    if (FAILED(hr)) return hr;
    moCurrent.moOwnerName.assign(name ? name : u"", name ? SysStringLen(name) : 0);
    SysFreeString(name);
    return S_OK;
}

HRESULT CItmLinkManager::AddLinkPtrs(ItmLink** links, LONG count) {
    if (!links) return S_OK;
    for (LONG i = 0; i < count; ++i) {
        HRESULT hr = AddLink(links[i]);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CItmLinkManager::NoOperation() { return S_OK; }

HRESULT CItmLinkManager::HasLink(ItmObjectData* data, VARIANT_BOOL* hasLink) {
    if (!hasLink) return E_POINTER;
    if (!data) return E_OXN_NULL_VALUE;
    *hasLink = AsVariantBool(moCurrent.mpoFind(goMakeTableKey(data->meObjectType, data->mlObjectID, data->mlConfigID)));
    return S_OK;
}

HRESULT CItmLinkManager::ClearLinks() {
    moCurrent.moLinks.clear();
    return S_OK;
}

HRESULT CItmLinkManager::EraseLink(IItmObject* object) {
    if (!object) return E_OXN_NULL_VALUE;
    const ItmUniqueID id = goGetUniqueIDOf(object);
    moCurrent.moLinks.erase(goMakeTableKey(id.meObjectType, id.mlObjectID, id.mlConfigID));
    return S_OK;
}
