// What the merge keeps per merged object and per object identity.
#pragma once

#include "itemstore/children_codec.h"
#include "itemstore/item_object.h"
#include "itemstore/merge.h"

#include "bellquist/item_interfaces.h"
#include "bellquist/records.h"
#include "com/ccom_ptr.h"

#include <memory>
#include <set>
#include <vector>

namespace MergeNs {

// One merged object (one per object and parent).
struct ItemData {
    CComPtr<BellquistLib::IItmObject> moObject;
    // The identities {type, id, config id} of the links collected so far, so
    // that a child reported twice is linked once.
    std::set<IdentityKey, MemoryOrder> moLinkIdentities;
    // The links to add, in the order they were found.
    std::vector<BellquistLib::ItmLink> moLinks;
};

// One object identity, whatever its parents.
struct ItemAndFileData {
    std::vector<std::shared_ptr<ItemData>> moObjects;  // one per parent
    ChildList moChildren;                              // fetched children, for the cache
    RefPtr<ItemObject> moCacheRecord;                  // set only for an item to be cached
};

// The config id that identifies an object: the record's for files and BOMs,
// -1 for everything else.
int32_t glIdentityConfigID(const BellquistLib::ItmObjectData& record);

// The cache records built from a fetched record (the path through
// gvBuildItemPath with `viewPath`). No record for a vault or item folder.
RefPtr<ItemObject> goMakeCacheItem(const BellquistLib::ItmObjectData& record, std::u16string_view viewPath);
RefPtr<ChildWithLink> goMakeCacheChild(const BellquistLib::ItmObjectData& record, std::u16string_view viewPath);

}  // namespace MergeNs
