// The two records made from an item object's properties: its link record
// (what a link manager's table holds) and its item cache record (what the
// cache keeps of a child or of an item). The link managers make them, and
// the item server's operations make them the same way for a new object.
#pragma once

#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include "bellquist/enums.h"
#include "bellquist/records.h"
#include "winapi/types.h"

namespace BellquistLib {
struct IItmObject;
}

// The link record of `object` by its Type: an item (4), file (6) or BOM (7)
// gives its own GetItmLink (through IItmItem, IItmFile, IItmBOM); a root
// item folder, vault or item folder (1 to 3) its GetUniqueID as a
// LinkType_BOM link with LinkOp_None. A non-zero `operation` then replaces
// the operation. E_ITEM_INVALID_OBJECT when the interface is missing,
// E_ITEM_INVALID_ITEM_TYPE for any other kind, else the object's failure.
HRESULT ghMakeItmLink(BellquistLib::IItmObject* object, BellquistLib::ItmLinkOperation operation,
                      BellquistLib::ItmLink* link);

// A new cache record read from `object`'s properties: ID, Type,
// ParentProjectID, AttachedVersion, ModifiedDate, LockViewID, IsDirty, Name
// and Path; for a file or an item also the configuration of its GetItmLink,
// and with `withLinkWords` that link's type and operation as both link
// pairs. Null when any read fails.
RefPtr<ChildWithLink> goMakeChildWithLink(BellquistLib::IItmObject* object, bool withLinkWords);
