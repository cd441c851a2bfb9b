// The class objects this process registered itself.
#pragma once

#include "com/unknown.h"

namespace com::detail {

// The latest registered class object of `clsid` for a context that shares
// `context` (one reference for the caller), or null. A single-use
// registration is hidden once handed out.
IUnknown* TakeRegisteredClassObject(REFCLSID clsid, DWORD context);

}  // namespace com::detail
