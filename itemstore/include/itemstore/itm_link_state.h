// The link table of a link manager: one CLinkData per child link, keyed by
// the child's (type, id, 0, configuration) in the byte order of
// gbUniqueIDLess, with the owner's dynamic-link record, the
// has-unloaded-children flag and the owner's identity and name.
//
// A LinkState is a plain value: copying it copies every link, so the state
// saved when a local transaction begins is independent of later changes
// (switches included).
#pragma once

#include "itemstore/itm_unique_id.h"

#include "bellquist/enums.h"
#include "bellquist/records.h"
#include "winapi/types.h"

#include <map>
#include <string>

// One link of the table.
struct CLinkData {
    BellquistLib::ItmUniqueID moOwner{};  // the owner's identity when the link was added
    BellquistLib::ItmLinkType meInitialLinkType{};
    BellquistLib::ItmLinkOperation meInitialLinkOperation{};
    // The child's identity; its parent id is the owner's object id for a
    // file or BOM, else 0.
    BellquistLib::ItmUniqueID moChild{};
    BellquistLib::ItmLinkType meLinkType{};
    BellquistLib::ItmLinkOperation meLinkOperation{};

    // The child's identity. E_OXN_NOT_INITIALIZED when the child's id is 0,
    // E_POINTER for a null target.
    HRESULT mhToUniqueID(BellquistLib::ItmUniqueID* id) const;
    // The child's identity with the current link type and operation. Errors
    // as mhToUniqueID.
    HRESULT mhToItmLink(BellquistLib::ItmLink* link) const;
};

using LinkTable = std::map<BellquistLib::ItmUniqueID, CLinkData, UniqueIDBytesLess>;

// The table key of a child: its type, id and configuration, parent 0.
BellquistLib::ItmUniqueID goMakeTableKey(BellquistLib::ItmObjectType type, LONG objectID, LONG configID);

struct LinkState {
    LinkState();

    // Adds `link` (already checked): E_ITEM_LINK_DUPLICATED when its key is in
    // the table; a dynamic link becomes the dynamic-link record; the
    // has-unloaded-children flag is cleared. E_OUTOFMEMORY.
    HRESULT mhInsertLink(const BellquistLib::ItmLink& link);
    // Removes the link under `key`; the dynamic-link record is cleared when
    // the link was dynamic. False when there was none.
    bool mbRemoveLink(const BellquistLib::ItmUniqueID& key);

    // The link under `key`, or null.
    CLinkData* mpoFind(const BellquistLib::ItmUniqueID& key);
    bool mbHasDynamicLink() const { return moDynamicLink.mlObjectID > 0; }
    // The dynamic-link record takes the file's id and configuration, or 0
    // and 0 for none.
    void mvSetDynamicLink(LONG objectID, LONG configID);

    LinkTable moLinks;
    // Type File; the id of the owner's dynamic link (0: none) and its
    // configuration.
    BellquistLib::ItmUniqueID moDynamicLink;
    VARIANT_BOOL mbHasUnloadedChildren = VARIANT_FALSE;
    BellquistLib::ItmUniqueID moOwner;  // initially (0, 0, 0, -1)
    std::u16string moOwnerName;         // the key of the owner's record in the item cache
};
