// The ids a vault view's root folder carries in its "desktop.ini": section
// "Tavrosk", keys "ViewID" (this view) and "VaultID" (the vault it shows).
#pragma once

#include "winapi/types.h"

// Which id GetDesktopIniGuid reads.
inline constexpr int kDesktopIniViewId = 1;
inline constexpr int kDesktopIniVaultId = 2;

// Reads the id of `kind` from <folder>\desktop.ini (a backslash is put
// between them when the folder lacks one) in the form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" of hexadecimal fields; text past
// the last field, the closing brace included, is not looked at. False, with
// `guid` unchanged, for another kind, a missing file or key, or a text whose
// eleven fields do not all read.
bool GetDesktopIniGuid(LPCWSTR folder, int kind, GUID& guid);
