// BSTR: the Automation string. A BSTR points at UTF-16 text that is always
// null-terminated; the 32-bit byte count of the text (terminator excluded) is
// stored just before it, so a BSTR may hold embedded nulls and odd byte
// counts. A null BSTR reads as the empty string in every function here.
//
// Every BSTR carries a guard in its header: freeing a pointer that no
// SysAlloc* returned, or freeing one twice, ends the process with a message
// instead of corrupting the heap.
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>

typedef OLECHAR* BSTR;
typedef BSTR* LPBSTR;

// A copy of the null-terminated text; null for a null text (as the platform),
// or without memory.
BSTR WINAPI SysAllocString(const OLECHAR* text);
// `length` characters copied from `text`, plus a terminator. A null text
// gives `length` characters of unspecified content (the caller fills them),
// still terminated. Null without memory.
BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length);
// `byteLength` bytes copied from `bytes` (unspecified content when null),
// followed by a null OLECHAR; SysStringLen is then byteLength / 2.
BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT byteLength);
// Replace *bstr (null or a BSTR) by a new BSTR made from `text`, which may
// point into the old one, and free the old one. FALSE, with *bstr untouched,
// without memory or for a null `bstr`.
// A null text: SysReAllocString leaves a null BSTR.
INT WINAPI SysReAllocString(BSTR* bstr, const OLECHAR* text);
// A null text keeps the old text's first characters (the rest unspecified),
// as a reallocation would.
INT WINAPI SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length);
// Null is allowed and does nothing.
void WINAPI SysFreeString(BSTR bstr);
// Characters (byte count / 2) and bytes; 0 for null.
UINT WINAPI SysStringLen(BSTR bstr);
UINT WINAPI SysStringByteLen(BSTR bstr);

namespace com {

// The text of a BSTR: every code unit up to its stored length, embedded
// nulls included (a BSTR carries its length, so a null unit is data, not an
// end); a null BSTR is the empty text.
inline std::u16string_view BstrView(BSTR text) {
    return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}
inline std::u16string BstrText(BSTR text) { return std::u16string(BstrView(text)); }

}  // namespace com
