// The web-help switch. The explorer shows its help from the web or from the
// installed help file as the CAD host does: both read the host's per-user
// value "Use Web Help", so switching it in one switches it in the other. The
// main frame's "Web Help" command toggles it and its check mark shows it.
#pragma once

#include "winapi/types.h"

// The CAD host's per-user key (under HKEY_CURRENT_USER) and value.
inline constexpr const WCHAR* kWebHelpKeyPath =
    u"Software\\Zentraviko\\Zentraviko 2020\\User Interface\\Settings\\WebHelp";
inline constexpr const WCHAR* kWebHelpValueName = u"Use Web Help";

// False only when "Use Web Help" exists as a DWORD and is 0; a missing key or
// value, or any other value, means web help. The key is created when missing
// (the host would create it as well).
bool gbUseWebHelp();

// Flips the switch: writes "Use Web Help" as 1 when web help is off, else 0,
// creating the key when missing. A failed write is not reported; the switch
// then reads as before.
void gvToggleWebHelp();
