// The client back end's conversions around item objects that the tree fetch,
// the merge and the item operations share. The creation of an item object
// from a record is CProxyTavroskAPI::mhCreateItmObject (proxy_tavrosk_api.h);
// an item object to a record is ghItmObjectToData (record_conversions.h).
#pragma once

#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include "bellquist/records.h"
#include "winapi/types.h"

struct SAFEARRAY;

// Fills the fields of `record` that a cache record gives: type, id, parent
// project id, attached version (also as latest version), config id, an empty
// config name, modified date, up to date, and the file name (what follows the
// last '\' or '/' of the cached path) when the path is not empty. Other
// fields stay as the caller set them. E_POINTER for a null argument;
// E_OUTOFMEMORY, with the record's strings unchanged, when a copy fails.
HRESULT ghCacheRecordToData(const RefPtr<ItemObject>& cached, BellquistLib::ItmObjectData* record);

// After a fetch: sets LocalVersion of every file object (type 6) of `objects`
// (SAFEARRAY of VARIANTs holding IItmObject; empty entries skipped) to -1,
// then to the version the client library finds for the local file's
// last-write time (its file-info interface, GetLocalVersions). Files that
// cannot be opened are not sent and keep -1; without file objects, or when
// the library lacks that interface, the library is not asked. Any failure
// ends the refresh, leaves what was set so far, and is swallowed (the
// thread's error info is cleared): the caller's result never changes.
void gvRefreshFileLocalVersions(IUnknown* client, SAFEARRAY* objects);
