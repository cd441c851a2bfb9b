// What an item and an item folder share about the link manager they own:
// making one, and handing it out.
#pragma once

#include "itemstore/itm_link_manager.h"

#include "com/server/com_object.h"

// A new link manager with one reference for the caller. E_OUTOFMEMORY.
HRESULT ghNewLinkManager(CComObject<CItmLinkManager>** linkManager);

// `held` with a reference for the caller; E_POINTER with a null out and the
// error info "The link manager is not available." when `held` is null (or
// `out` is).
HRESULT ghHandOutLinkManager(BellquistLib::IItmLinkManager* held, BellquistLib::IItmLinkManager** out);
