// The rules of a link manager: which links may be added and which are
// dirty (the link record of an item object: itemstore/itm_object_records.h).
#pragma once

#include "itemstore/itm_link_state.h"

#include "bellquist/enums.h"
#include "bellquist/records.h"
#include "winapi/types.h"

namespace BellquistLib {
struct IItmObject;
}

// Checks `link` before it is added to `state`, in this order:
// - kinds 2, 3, 4 and 7 need LinkType_BOM, a file (6) LinkType_Dynamic or
//   LinkType_Static: else E_ITEM_INVALID_LINK_TYPE; any other kind:
//   E_ITEM_INVALID_ITEM_TYPE;
// - LinkOp_Undefined: E_ITEM_INVALID_LINK_OPERATION;
// - a dynamic link to another file (id or configuration) than the owner's
//   dynamic link, when it has one: E_ITEM_MANY_DYN_LINKS, whatever the
//   operation, so that no owner ever has two.
HRESULT ghCheckLink(const LinkState& state, const BellquistLib::ItmLink& link);

// A link is dirty when its type changed (unless it began as LinkType_BOM),
// or, with its type unchanged, when it is new (LinkOp_New, not added as
// LinkOp_None) or marked removed.
bool gbIsLinkDirty(const CLinkData& link);
