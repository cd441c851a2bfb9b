// GUIDs as text, in the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// (38 characters, braces, upper-case hexadecimal digits).
#pragma once

#include "com/unknown.h"

// Writes the text and its terminator into `buffer` and returns 39 (the
// characters written, terminator included); 0 when the buffer holds fewer
// than 39 characters or is null.
int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR buffer, int bufferSize);
// The text in task memory (CoTaskMemFree). E_INVALIDARG for a null
// out-pointer, E_OUTOFMEMORY.
HRESULT WINAPI StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT WINAPI StringFromIID(REFIID iid, LPOLESTR* text);

// The registry form (hexadecimal digits of either case), or else a ProgID
// (CLSIDFromProgID). A null text gives GUID_NULL. CO_E_CLASSSTRING when the
// text is neither; *clsid is then GUID_NULL.
HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
// The registry form only. A null text gives GUID_NULL. E_INVALIDARG when
// the text is not a GUID; *iid is then GUID_NULL.
HRESULT WINAPI IIDFromString(LPCOLESTR text, LPIID iid);
