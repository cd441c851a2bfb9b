#include "itm_link_rules.h"
#include "itemstore/itm_object_records.h"

#include "common/error_codes.h"

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/task_memory.h"

using namespace BellquistLib;

namespace {

// The link record of `object` through its interface `Interface`.
template <class Interface>
HRESULT OwnItmLink(IItmObject* object, ItmLink* link) {
    CComQIPtr<Interface> typed(object);
    if (!typed) return E_ITEM_INVALID_OBJECT;
    ItmLink* made = nullptr;
    HRESULT hr = typed->GetItmLink(&made);
    if (FAILED(hr)) return hr;
    if (!made) return E_OXN_NULL_VALUE;
    *link = *made;
    CoTaskMemFree(made);
    return S_OK;
}

HRESULT FolderItmLink(IItmObject* object, ItmLink* link) {
    CComQIPtr<IItmFolder> folder(object);
    if (!folder) return E_ITEM_INVALID_OBJECT;
    ItmUniqueID* id = nullptr;
    HRESULT hr = folder->GetUniqueID(&id);
    if (FAILED(hr)) return hr;
    if (!id) return E_OXN_NULL_VALUE;
    *link = ItmLink{id->meObjectType, id->mlObjectID, id->mlParentID, id->mlConfigID, LinkType_BOM, LinkOp_None};
    CoTaskMemFree(id);
    return S_OK;
}

}  // namespace

HRESULT ghCheckLink(const LinkState& state, const ItmLink& link) {
    switch (link.meObjectType) {
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
    case ItmObjectType_Item:
    case ItmObjectType_BOM:
        if (link.meLinkType != LinkType_BOM) return E_ITEM_INVALID_LINK_TYPE;
        break;
    case ItmObjectType_File:
        if (link.meLinkType != LinkType_Dynamic && link.meLinkType != LinkType_Static) return E_ITEM_INVALID_LINK_TYPE;
        break;
    default:
        return E_ITEM_INVALID_ITEM_TYPE;
    }
    if (link.meLinkOperation == LinkOp_Undefined) return E_ITEM_INVALID_LINK_OPERATION;
    if (link.meLinkType == LinkType_Dynamic && state.mbHasDynamicLink() &&
        (link.mlObjectID != state.moDynamicLink.mlObjectID || link.mlConfigID != state.moDynamicLink.mlConfigID)) {
        return E_ITEM_MANY_DYN_LINKS;
    }
    return S_OK;
}

bool gbIsLinkDirty(const CLinkData& link) {
    if (link.meLinkType != link.meInitialLinkType) return link.meInitialLinkType != LinkType_BOM;
    if (link.meLinkOperation == LinkOp_New) return link.meInitialLinkOperation != LinkOp_None;
    return link.meLinkOperation == LinkOp_Remove;
}

HRESULT ghMakeItmLink(IItmObject* object, ItmLinkOperation operation, ItmLink* link) {
    if (!object || !link) return E_OXN_NULL_VALUE;
    ItmObjectType type{};
    HRESULT hr = object->get_Type(&type);
    if (FAILED(hr)) return hr;
    ItmLink made{};
    switch (type) {
    case ItmObjectType_Item:
        hr = OwnItmLink<IItmItem>(object, &made);
        break;
    case ItmObjectType_File:
        hr = OwnItmLink<IItmFile>(object, &made);
        break;
    case ItmObjectType_BOM:
        hr = OwnItmLink<IItmBOM>(object, &made);
        break;
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        hr = FolderItmLink(object, &made);
        break;
    default:
        return E_ITEM_INVALID_ITEM_TYPE;
    }
    if (FAILED(hr)) return hr;
    if (operation != LinkOp_Undefined) made.meLinkOperation = operation;
    *link = made;
    return S_OK;
}
