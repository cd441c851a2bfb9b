#include "itemstore/itm_link_state.h"

#include "common/error_codes.h"

#include <new>

using namespace BellquistLib;

HRESULT CLinkData::mhToUniqueID(ItmUniqueID* id) const {
    if (!id) return E_POINTER;
    if (moChild.mlObjectID == 0) return E_OXN_NOT_INITIALIZED;
    *id = moChild;
    return S_OK;
}

HRESULT CLinkData::mhToItmLink(ItmLink* link) const {
    if (!link) return E_POINTER;
    if (moChild.mlObjectID == 0) return E_OXN_NOT_INITIALIZED;
    *link = ItmLink{moChild.meObjectType, moChild.mlObjectID, moChild.mlParentID,
                    moChild.mlConfigID,   meLinkType,         meLinkOperation};
    return S_OK;
}

ItmUniqueID goMakeTableKey(ItmObjectType type, LONG objectID, LONG configID) {
    return ItmUniqueID{type, objectID, 0, configID};
}

LinkState::LinkState() : moDynamicLink{ItmObjectType_File, 0, 0, 0} { gvInitUniqueID(&moOwner); }

HRESULT LinkState::mhInsertLink(const ItmLink& link) {
    const ItmUniqueID key = goMakeTableKey(link.meObjectType, link.mlObjectID, link.mlConfigID);
    if (moLinks.count(key)) return E_ITEM_LINK_DUPLICATED;
    const bool hangsUnderOwner = link.meObjectType == ItmObjectType_File || link.meObjectType == ItmObjectType_BOM;
    CLinkData data;
    data.moOwner = moOwner;
    data.meInitialLinkType = link.meLinkType;
    data.meInitialLinkOperation = link.meLinkOperation;
    data.moChild =
        ItmUniqueID{link.meObjectType, link.mlObjectID, hangsUnderOwner ? moOwner.mlObjectID : 0, link.mlConfigID};
    data.meLinkType = link.meLinkType;
    data.meLinkOperation = link.meLinkOperation;
    try {
        moLinks.emplace(key, data);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (link.meLinkType == LinkType_Dynamic) mvSetDynamicLink(link.mlObjectID, link.mlConfigID);
    mbHasUnloadedChildren = VARIANT_FALSE;
    return S_OK;
}

bool LinkState::mbRemoveLink(const ItmUniqueID& key) {
    auto found = moLinks.find(key);
    if (found == moLinks.end()) return false;
    if (found->second.meLinkType == LinkType_Dynamic) mvSetDynamicLink(0, 0);
    moLinks.erase(found);
    return true;
}

CLinkData* LinkState::mpoFind(const ItmUniqueID& key) {
    auto found = moLinks.find(key);
    return found == moLinks.end() ? nullptr : &found->second;
}

void LinkState::mvSetDynamicLink(LONG objectID, LONG configID) {
    moDynamicLink.mlObjectID = objectID;
    moDynamicLink.mlConfigID = configID;
}
