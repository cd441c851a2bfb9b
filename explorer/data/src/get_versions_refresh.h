// The refresh of the views after the item manager handed back the items of
// new versions (getting the latest or a specific version of items' files).
//
// It asks the application's refresh broadcast for a receiver for the vault's
// cache, lets the versions refresher take the returned items into the cache
// and tell the receiver what changed, and finishes the receiver, at which
// each view showing the vault repopulates.
//
// The versions refresher (the producer beside the batch list refresher) is
// not built yet: until it is, the receiver is finished without object
// calls, so the views repopulate from the cache as it stands. This function
// is the one place the document reaches it through.
//
// The returned array stays its caller's: the refresh reads it and never
// destroys it; the document that received it destroys it.
#pragma once

#include "winapi/types.h"

#include <functional>

class CCache;
struct SAFEARRAY;

HRESULT ghRunGetVersionsRefresh(CCache& cache, SAFEARRAY* returnedItems);

// Replaces the refresh that ghRunGetVersionsRefresh runs (an empty one puts
// the application's back) and returns the one replaced. For tests.
using GetVersionsRefresh = std::function<HRESULT(CCache& cache, SAFEARRAY* returnedItems)>;
GetVersionsRefresh gvSetGetVersionsRefresh(GetVersionsRefresh refresh);
