// Registers an in-process server library of the build into the current
// machine by its own DllRegisterServer, as the machine set-up does.
#pragma once

#include "winapi/types.h"

namespace com_testing {

// S_OK when registered; E_FAIL when the library or its export is missing;
// else the library's own failure.
HRESULT RegisterServerLibrary(const char16_t* library);

}  // namespace com_testing
