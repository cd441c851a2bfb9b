// GUID text in the two forms the system writes and reads: the registry form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces, upper-case hexadecimal,
// as StringFromGUID2 writes it, 38 characters) and the RPC form (no braces,
// lower case, 36 characters) of UuidToStringW.
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>

namespace winapi {

std::u16string GuidToString(const GUID& guid, bool braces = true, bool upper = true);
// Accepts exactly 36 characters, or 38 with the braces, hexadecimal digits
// of either case and the hyphens in their places. False for anything else,
// and `guid` is then left as it was.
bool ParseGuid(std::u16string_view text, GUID* guid);

}  // namespace winapi

typedef LONG RPC_STATUS;
// A WCHAR text here (the platform declares unsigned short), so that the
// system's code can use it as a wide string without casts.
typedef WCHAR* RPC_WSTR;

#define RPC_S_OK 0
#define RPC_S_OUT_OF_MEMORY 14
#define RPC_S_INVALID_ARG 87
#define RPC_S_INVALID_STRING_UUID 1705
#define RPC_S_OUT_OF_RESOURCES 1721

// The RPC form, allocated for the caller, who frees it with RpcStringFreeW.
// A null uuid gives the nil UUID's text.
RPC_STATUS WINAPI UuidToStringW(const UUID* uuid, RPC_WSTR* text);
// Frees a text of UuidToStringW and sets the pointer to null.
RPC_STATUS WINAPI RpcStringFreeW(RPC_WSTR* text);
// The 36-character form only (no braces), either case; a null text gives the
// nil UUID. RPC_S_INVALID_STRING_UUID for anything else.
RPC_STATUS WINAPI UuidFromStringW(RPC_WSTR text, UUID* uuid);
// A random (version 4) UUID.
RPC_STATUS WINAPI UuidCreate(UUID* uuid);
