// The system's text for a Win32 error code, for the admin tool's messages.
#pragma once

#include "winapi/types.h"

#include <string>

namespace vaultadmin {

// "<text> (error <code>)", or "error <code>" when the system has no text.
std::string SystemErrorText(DWORD code);
// The failure in words and its code: "the disk is full (0x80070070)". The
// vault database's own codes are described by vaultdb::ErrorDescription,
// others by the system's message texts.
std::string HresultText(HRESULT hr);

}  // namespace vaultadmin
