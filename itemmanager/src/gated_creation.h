// Creation of the vault client's outside classes, with the install on
// demand of the component that serves them.
//
// The vault client was installed by a package manager that could install a
// missing component on first use, and some classes needed a minimum version
// of the operating system. Neither exists on this platform: the classes are
// registered with the component runtime or they are not, so the gate
// reduces to a plain creation (a class that is not registered gives
// REGDB_E_CLASSNOTREG, as "not installed" would), and no version is refused.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

// CoCreateInstance(clsid, outer, context, iid, object). `clsidText` names
// the class as the vault client's install tables do; here it selects
// nothing more. E_POINTER for a null `object`.
HRESULT ghCreateGatedInstance(const WCHAR* clsidText, REFCLSID clsid, REFIID iid, void** object, IUnknown* outer,
                              DWORD context);
