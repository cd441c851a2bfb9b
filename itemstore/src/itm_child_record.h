// The item cache record of an item object, as a link manager writes its
// children through to the cache.
#pragma once

#include "itemstore/item_object.h"
#include "itemstore/ref_ptr.h"

namespace BellquistLib {
struct IItmObject;
}

// A new record read from `object`'s properties: ID, Type, ParentProjectID,
// AttachedVersion, ModifiedDate, LockViewID, IsDirty, Name and Path; for a
// file or an item also the configuration of its GetItmLink, and with
// `withLinkWords` that link's type and operation as both link pairs. Null
// when any read fails.
RefPtr<ChildWithLink> goMakeChildWithLink(BellquistLib::IItmObject* object, bool withLinkWords);
