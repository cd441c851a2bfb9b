// Where a vault's item cache file lies, and the header text it starts with.
#pragma once

#include "winapi/types.h"

#include <string>

// The format version, in the file name and at the end of the header text.
inline constexpr int kItemCacheFormatVersion = 1;
// The header stream's text (stored with its NUL: 34 code units, 68 bytes).
inline constexpr const char16_t* kItemCacheHeaderTitle = u"ZENTRAVIKO Morvantile Item Cache";

// The format version as decimal text ("1"). E_INVALIDARG when the number
// cannot be converted.
HRESULT ghItemCacheVersionText(std::u16string& text);
// The header text: the title followed by the version text.
HRESULT ghItemCacheHeaderText(std::u16string& text);

// <application-data folder>Items\<vault name>\<guid>_vrsn_1.Items, with
// the GUID in lower-case RPC form (36 characters, no braces). Creates the
// "Items" and vault folders when missing (failures ignored: the open of the
// file reports them). A vault not registered has an empty name, so the
// file lies directly in "Items". E_OUTOFMEMORY or E_INVALIDARG on failure.
HRESULT ghItemCacheFilePath(REFGUID vault, std::u16string& path);
