// The failure codes of the item cache (texts in the error catalogue).
#pragma once

#include "winapi/errors.h"
#include "winapi/types.h"

inline constexpr HRESULT E_OXN_FILE_NOT_FOUND = _HRESULT_TYPEDEF_(0x80040213L);  // also: not cached
inline constexpr HRESULT E_OXN_INVALID_NAME = _HRESULT_TYPEDEF_(0x8004021DL);
inline constexpr HRESULT E_OXN_INVALID_TYPE = _HRESULT_TYPEDEF_(0x80040225L);
inline constexpr HRESULT E_OXN_IO_ERROR = _HRESULT_TYPEDEF_(0x80040228L);  // any other cache failure
inline constexpr HRESULT E_ITEM_INVALID_OBJECT = _HRESULT_TYPEDEF_(0x800402BDL);

// STG_E_FILENOTFOUND and 0x80040213 -> 0x80040213; STG_E_INVALIDNAME and
// 0x8004021D -> 0x8004021D; any other failure -> 0x80040228. Success codes
// pass unchanged.
HRESULT ghMapCacheError(HRESULT hr);
