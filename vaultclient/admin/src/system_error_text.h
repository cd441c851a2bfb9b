// The system's text for a Win32 error code, for the admin tool's messages.
#pragma once

#include "winapi/types.h"

#include <string>

namespace vaultadmin {

// "<text> (error <code>)", or "error <code>" when the system has no text.
std::string SystemErrorText(DWORD code);
// "0x8XXXXXXX".
std::string HresultText(HRESULT hr);

}  // namespace vaultadmin
