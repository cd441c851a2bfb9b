// The cache mutex shared by every process of the user's session: the named
// object every lock scope on an item cache file waits for
// (kItemCacheMutexName in item_cache_lock.h).
#pragma once

#include "winapi/types.h"

// Opens the cache mutex, or else creates it open to everyone. A new handle
// for the caller to close, or null when neither works. Opening costs a
// look-up in the session's namespace (creating it, when no other handle
// holds it, much more): callers keep the handle rather than open it per
// scope.
HANDLE gpoOpenCacheMutex();
