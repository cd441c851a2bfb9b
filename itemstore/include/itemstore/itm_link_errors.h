// The failures of the link rules (the codes of 0x800402BB and 0x800402BD are
// in itm_object_data.h and cache_errors.h).
#pragma once

#include "winapi/errors.h"

inline constexpr HRESULT E_ITEM_INVALID_SOURCE = _HRESULT_TYPEDEF_(0x800402B5L);      // not a linked file
inline constexpr HRESULT E_ITEM_MANY_DYN_LINKS = _HRESULT_TYPEDEF_(0x800402B6L);      // a second dynamic link
inline constexpr HRESULT E_ITEM_INVALID_LINK_TYPE = _HRESULT_TYPEDEF_(0x800402B7L);   // wrong type for the kind
inline constexpr HRESULT E_ITEM_INVALID_LINK_OPERATION = _HRESULT_TYPEDEF_(0x800402B8L);
inline constexpr HRESULT E_ITEM_LINK_DUPLICATED = _HRESULT_TYPEDEF_(0x800402B9L);  // already linked
