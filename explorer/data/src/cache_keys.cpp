#include "explorer/data/cache_keys.h"

#include "explorer/data/cache_obj.h"
#include "explorer/data/com_error_raising.h"

#include "item_helpers.h"

using namespace BellquistLib;

LONG NormalizeLinkKeyType(LONG type) noexcept {
    return type == ItmObjectType_Vault || type == ItmObjectType_Project ? ItmObjectType_ItemFolder : type;
}

namespace {

// The key of `item` under the parent given; the item read as
// ReadObjectIdentity reads it.
CacheLinkKey LinkKeyOf(IItmObject* item, LONG parentType, LONG parentId) {
    if (!item) _com_issue_errorex(E_POINTER, nullptr, IItmObject::kIid);
    CacheObjKey identity{};
    ReadObjectIdentity(item, identity);
    return CacheLinkKey{NormalizeLinkKeyType(identity.meObjectType), NormalizeLinkKeyType(parentType), parentId,
                        identity.mlObjectID, identity.mlConfigID};
}

}  // namespace

CacheLinkKey MakeLinkKey(IItmObject* item, LONG parentType, LONG parentId) {
    return LinkKeyOf(item, parentType, parentId);
}

HRESULT MakeFolderLinkKey(IItmObject* item, CacheLinkKey& key) {
    if (!item) _com_issue_errorex(E_POINTER, nullptr, IItmObject::kIid);
    LONG folder = 0;
    if (HRESULT hr = item->get_ParentProjectID(&folder); FAILED(hr)) return hr;
    key = LinkKeyOf(item, ItmObjectType_ItemFolder, folder);
    return S_OK;
}

CacheLinkKey MakeChildLinkKey(const RefPtr<CCacheObj>& parent, IItmObject* item) {
    if (!parent || !parent->moInner) _com_issue_errorex(E_POINTER, nullptr, IItmObject::kIid);
    const CCacheObjInner& inner = *parent->moInner;
    return LinkKeyOf(item, inner.meType == ItmObjectType_Item ? ItmObjectType_Item : ItmObjectType_ItemFolder,
                     inner.mlID);
}

HRESULT GetOwnLinkKeys(const CCacheObjInner& inner, std::vector<CacheLinkKey>& keys) {
    IItmObject* item = inner.mpoItem;
    if (!item) _com_issue_errorex(E_POINTER, nullptr, IItmObject::kIid);
    CacheLinkKey folderKey{};
    if (HRESULT hr = MakeFolderLinkKey(item, folderKey); FAILED(hr)) return hr;
    if (inner.meType != ItmObjectType_Vault) {
        ItmObjectType parentType = ItmObjectType_Undefined;
        if (HRESULT hr = item->get_ParentType(&parentType); FAILED(hr)) return hr;
        if (parentType != ItmObjectType_Vault && parentType != ItmObjectType_ItemFolder) {
            // Fetched as the child of an item: its place under the item first.
            LONG parentId = 0;
            if (HRESULT hr = item->get_ParentID(&parentId); FAILED(hr)) return hr;
            if (parentId != 0) {
                keys.push_back(CacheLinkKey{folderKey.meObjectType, ItmObjectType_Item, parentId, folderKey.mlObjectID,
                                            folderKey.mlConfigID});
            }
        }
    }
    keys.push_back(folderKey);
    return S_OK;
}
