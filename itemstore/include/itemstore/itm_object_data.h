// The operations on an item object's data record (ItmObjectData) that do not
// need the object: initialise, load from a record, completeness check,
// release. The record owns its nine strings and one reference on its
// connection.
#pragma once

#include "bellquist/records.h"
#include "common/error_codes.h"
#include "winapi/errors.h"
#include "winapi/types.h"

// Makes `data` (whose previous content is ignored, not released) a fresh
// record: all zero, configuration -1, up to date; with `load`, its
// connection (one reference taken) and a copy of its include path as the
// path. E_OUTOFMEMORY, with the record all zero, when the copy fails.
HRESULT ghInitItmObjectData(BellquistLib::ItmObjectData* data, const BellquistLib::LoadItmObjectData* load);

// Loads `source` into `target` (initialised with the same `load`): every
// field with fresh string copies, the replaced strings freed, except that
// the path and connection come from `source` only without `load` (the
// connection only when `source` has one, with one reference); the status id
// and the dynamic-link file version are not taken, and the cut-list flag
// becomes -1 when set. E_OXN_NULL_VALUE for a null source or target;
// E_OUTOFMEMORY with `target` unchanged when a copy fails.
HRESULT ghCopyItmObjectData(BellquistLib::ItmObjectData* target, const BellquistLib::ItmObjectData* source,
                            const BellquistLib::LoadItmObjectData* load);

// S_OK when the eight strings other than the linked file name are all
// present (empty counts as present); E_OXN_NOT_INITIALIZED otherwise or for a
// null record.
HRESULT ghCheckItmObjectData(const BellquistLib::ItmObjectData* data);

// Frees the nine strings and releases the connection, leaving them null.
// The record itself belongs to its owner. Null does nothing.
void gvFreeItmObjectData(BellquistLib::ItmObjectData* data);
