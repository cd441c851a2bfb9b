// The one mapping of storage failures to the item cache's failure codes.
#include "cache_errors.h"

HRESULT ghMapCacheError(HRESULT hr) {
    if (SUCCEEDED(hr)) return hr;
    if (hr == STG_E_FILENOTFOUND || hr == E_OXN_FILE_NOT_FOUND) return E_OXN_FILE_NOT_FOUND;
    if (hr == STG_E_INVALIDNAME || hr == E_OXN_INVALID_NAME) return E_OXN_INVALID_NAME;
    return E_OXN_IO_ERROR;
}
