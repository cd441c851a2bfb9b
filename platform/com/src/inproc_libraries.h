// The in-process server libraries a process has loaded.
#pragma once

#include "winapi/types.h"

#include <string>

namespace com::detail {

// The class object of `clsid` from the server library registered as `path`
// (loaded at its first use and kept): its DllGetClassObject's answer, or the
// loader's error as an HRESULT, or CO_E_ERRORINDLL without that export.
// CLASS_E_CLASSNOTAVAILABLE when DllGetClassObject succeeds without an object.
HRESULT GetClassObjectFromLibrary(const std::u16string& path, REFCLSID clsid, REFIID riid, void** object);

}  // namespace com::detail
