// The mapping of storage failures to the item cache's failure codes.
#pragma once

#include "common/error_codes.h"
#include "winapi/errors.h"
#include "winapi/types.h"

// STG_E_FILENOTFOUND and E_OXN_FILE_NOT_FOUND (also: not cached) ->
// E_OXN_FILE_NOT_FOUND; STG_E_INVALIDNAME and E_OXN_INVALID_NAME ->
// E_OXN_INVALID_NAME; any other failure -> E_OXN_IO_ERROR. Success codes pass
// unchanged.
HRESULT ghMapCacheError(HRESULT hr);
